// orvalis-make-demo OUTPUT: builds the demo cartridge, checks its layout and
// writes it. Exits non-zero, writing nothing, when a check fails.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/cartridge/cartridge.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.gba\n", argv[0]);
        return 2;
    }
    demo_cartridge cart = build_demo_cartridge();
    std::vector<std::string> errors;
    if (!verify_demo_cartridge(cart, errors)) {
        for (auto& e : errors) std::fprintf(stderr, "demo cartridge: %s\n", e.c_str());
        return 1;
    }
    std::string tmp = std::string(argv[1]) + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        std::perror(tmp.c_str());
        return 1;
    }
    bool ok = std::fwrite(cart.image.data(), 1, cart.image.size(), f) == cart.image.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), argv[1]) != 0) {
        std::perror(argv[1]);
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}
