// The names `info` gives the level formats and node formats.
#include "wad/map_records.h"

namespace brindle {

const char* levelFormatName(LevelFormat format) {
    switch (format) {
        case LevelFormat::doom:
            return "doom";
        case LevelFormat::hexen:
            return "hexen";
        case LevelFormat::udmf:
            return "udmf";
    }
    return "doom";
}

const char* nodeFormatName(NodeFormat format) {
    switch (format) {
        case NodeFormat::none:
            return "none";
        case NodeFormat::classic:
            return "classic";
        case NodeFormat::deepbsp:
            return "deepbsp";
        case NodeFormat::xnod:
            return "xnod";
        case NodeFormat::znod:
            return "znod";
        case NodeFormat::xgln:
            return "xgln";
        case NodeFormat::zgln:
            return "zgln";
        case NodeFormat::xgl2:
            return "xgl2";
        case NodeFormat::zgl2:
            return "zgl2";
        case NodeFormat::xgl3:
            return "xgl3";
        case NodeFormat::zgl3:
            return "zgl3";
    }
    return "none";
}

}  // namespace brindle
