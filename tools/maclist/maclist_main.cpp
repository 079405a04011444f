// Builds maclist.ini, the vendor table of the program folder, from the IEEE OUI registry
// listing: halvera-maclist OUI_TXT MACLIST_INI
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "base/atomic_replace.h"
#include "net/oui_registry.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUI_TXT MACLIST_INI\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "halvera-maclist: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string registry((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t entries = 0;
    std::string table = halvera::BuildMaclist(registry, &entries);

    // An interrupted build leaves the old table or none, never half of one.
    halvera::ReplaceResult written = halvera::ReplaceFileContent(argv[2], table);
    if (!written.Replaced()) {
        std::fprintf(stderr, "halvera-maclist: cannot write %s (%s)\n", argv[2],
                     written.Describe().c_str());
        return 1;
    }
    std::printf("maclist.ini: %zu vendor prefixes\n", entries);
    return 0;
}
