// convert_maps: writes a PWAD holding Doom-format maps of an archive in another level format,
// as test data made from the real archives (a node builder such as zdbsp then builds the
// nodes of a UDMF map; a Hexen-format map keeps the original's).
//
//   convert_maps IWAD OUT.wad hexen|udmf FROM=TO...   e.g. convert_maps freedoom2.wad t.wad udmf
//   MAP01=MAP01
#include <cstdio>
#include <string>

#include "tests/support/map_conversion.h"

int main(int argc, char** argv) {
    const std::string format = argc > 3 ? argv[3] : "";
    if (argc < 5 || (format != "hexen" && format != "udmf")) {
        std::fprintf(stderr, "usage: convert_maps IWAD OUT.wad hexen|udmf FROM=TO...\n");
        return 2;
    }
    const std::vector<brindle::test::NamedLump> lumps = brindle::test::readWadLumps(argv[1]);
    brindle::test::SyntheticWad pwad;
    pwad.setIdentification("PWAD");
    for (int a = 4; a < argc; ++a) {
        const std::string pair = argv[a];
        const size_t equals = pair.find('=');
        const auto map = brindle::test::doomMapLumps(lumps, pair.substr(0, equals));
        if (equals == std::string::npos || map.empty()) {
            std::fprintf(stderr, "convert_maps: no map %s in %s\n", pair.c_str(), argv[1]);
            return 1;
        }
        pwad.addMarker(pair.substr(equals + 1));
        for (const auto& lump :
             format == "hexen" ? brindle::test::hexenMapOf(map) : brindle::test::udmfMapOf(map)) {
            pwad.addLump(lump.name, lump.data);
        }
    }
    pwad.writeTo(argv[2]);
    return 0;
}
