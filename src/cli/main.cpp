#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "--help") != 0) {
        std::fprintf(stderr, "halvera-cli: unknown command '%s'\n", argv[1]);
        return 2;
    }
    std::printf("usage: halvera-cli [--home DIR] COMMAND\n");
    return argc > 1 ? 0 : 2;
}
