// copy_maps: writes a PWAD holding maps of an archive under new names, for the end-to-end
// tests of layering (no WAD file is ever committed; this makes one from the real archives).
//
//   copy_maps IWAD OUT.wad FROM=TO...      e.g. copy_maps freedoom1.wad t.wad E1M5=E1M3
#include <cstdio>
#include <string>

#include "tests/support/synthetic_wad.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: copy_maps IWAD OUT.wad FROM=TO...\n");
        return 2;
    }
    const std::vector<brindle::test::NamedLump> lumps = brindle::test::readWadLumps(argv[1]);
    brindle::test::SyntheticWad pwad;
    pwad.setIdentification("PWAD");
    for (int a = 3; a < argc; ++a) {
        const std::string pair = argv[a];
        const size_t equals = pair.find('=');
        const std::string from = pair.substr(0, equals);
        size_t marker = 0;
        while (marker < lumps.size() && lumps[marker].name != from) {
            ++marker;
        }
        if (equals == std::string::npos || marker + 10 >= lumps.size()) {
            std::fprintf(stderr, "copy_maps: no map %s in %s\n", from.c_str(), argv[1]);
            return 1;
        }
        pwad.addMarker(pair.substr(equals + 1));
        for (size_t i = marker + 1; i <= marker + 10; ++i) {
            pwad.addLump(lumps[i].name, lumps[i].data);
        }
    }
    pwad.writeTo(argv[2]);
    return 0;
}
