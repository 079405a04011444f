// Builds maclist.ini, the vendor table of the program folder, from the IEEE OUI registry
// listing: halvera-maclist OUI_TXT MACLIST_INI
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

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

    // Through a temporary file and a rename, so an interrupted build leaves no half table.
    std::filesystem::path target = argv[2];
    std::filesystem::path temporary = target;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << table;
        if (!out.flush()) {
            std::fprintf(stderr, "halvera-maclist: cannot write %s\n", temporary.c_str());
            return 1;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::fprintf(stderr, "halvera-maclist: cannot write %s\n", target.c_str());
        return 1;
    }
    std::printf("maclist.ini: %zu vendor prefixes\n", entries);
    return 0;
}
