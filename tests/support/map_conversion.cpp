#include "tests/support/map_conversion.h"

#include <cstring>

namespace brindle::test {

namespace {

int16_t int16At(const Bytes& bytes, size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8)));
}

std::string nameAt(const Bytes& bytes, size_t at) {
    const char* name = reinterpret_cast<const char*>(bytes.data() + at);
    return std::string(name, strnlen(name, 8));
}

const Bytes& lumpOf(const std::vector<NamedLump>& map, const std::string& name) {
    static const Bytes none;
    for (const NamedLump& lump : map) {
        if (lump.name == name) {
            return lump.data;
        }
    }
    return none;
}

// An empty ACS script library: its header, and a directory of no scripts and no strings.
Bytes emptyBehavior() {
    Bytes bytes{'A', 'C', 'S', 0};
    appendInt32(bytes, 8);
    appendInt32(bytes, 0);
    appendInt32(bytes, 0);
    return bytes;
}

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

void appendKey(std::string& text, const char* key, const std::string& value) {
    text += key;
    text += " = ";
    text += value;
    text += ";\n";
}

void appendNumber(std::string& text, const char* key, int value, int fallback = 0) {
    if (value != fallback) {
        appendKey(text, key, std::to_string(value));
    }
}

void appendCoordinate(std::string& text, const char* key, int value) {
    appendKey(text, key, std::to_string(value) + ".000");
}

void appendFlag(std::string& text, const char* key, bool set) {
    if (set) {
        appendKey(text, key, "true");
    }
}

void appendName(std::string& text, const char* key, const std::string& name) {
    if (name != "-") {
        appendKey(text, key, quoted(name));
    }
}

}  // namespace

std::vector<NamedLump> doomMapLumps(const std::vector<NamedLump>& archive,
                                    const std::string& marker) {
    for (size_t i = 0; i + 10 < archive.size(); ++i) {
        if (archive[i].name == marker) {
            return std::vector<NamedLump>(archive.begin() + static_cast<ptrdiff_t>(i) + 1,
                                          archive.begin() + static_cast<ptrdiff_t>(i) + 11);
        }
    }
    return {};
}

Bytes hexenThingRecord(int16_t x, int16_t y, int16_t angle, int16_t type, int16_t flags) {
    Bytes bytes;
    for (int16_t value : {int16_t{0}, x, y, int16_t{0}, angle, type, flags}) {
        appendInt16(bytes, value);
    }
    bytes.resize(20, 0);  // special and five arguments
    return bytes;
}

int16_t hexenThingFlags(int16_t doomFlags) {
    const int single = (doomFlags & 0x10) != 0 ? 0 : 0x0100;
    return static_cast<int16_t>((doomFlags & 0x0F) | 0x00E0 | single | 0x0600);
}

std::vector<NamedLump> hexenMapOf(const std::vector<NamedLump>& doomMap) {
    std::vector<NamedLump> map;
    for (const NamedLump& lump : doomMap) {
        NamedLump converted{lump.name, {}};
        if (lump.name == "THINGS") {
            for (size_t at = 0; at + 10 <= lump.data.size(); at += 10) {
                const Bytes record = hexenThingRecord(
                    int16At(lump.data, at), int16At(lump.data, at + 2), int16At(lump.data, at + 4),
                    int16At(lump.data, at + 6), hexenThingFlags(int16At(lump.data, at + 8)));
                converted.data.insert(converted.data.end(), record.begin(), record.end());
            }
        } else if (lump.name == "LINEDEFS") {
            // Vertices and flags (bits 0 to 8 mean the same in both formats), no special and
            // no arguments, the sidedefs.
            for (size_t at = 0; at + 14 <= lump.data.size(); at += 14) {
                appendInt16(converted.data, int16At(lump.data, at));
                appendInt16(converted.data, int16At(lump.data, at + 2));
                appendInt16(converted.data, int16At(lump.data, at + 4) & 0x01FF);
                converted.data.resize(converted.data.size() + 6, 0);
                appendInt16(converted.data, int16At(lump.data, at + 10));
                appendInt16(converted.data, int16At(lump.data, at + 12));
            }
        } else {
            converted.data = lump.data;
        }
        map.push_back(std::move(converted));
    }
    map.push_back({"BEHAVIOR", emptyBehavior()});
    return map;
}

std::string textMapOf(const std::vector<NamedLump>& doomMap) {
    std::string text = "namespace = \"doom\";\n";
    const Bytes& things = lumpOf(doomMap, "THINGS");
    for (size_t at = 0, i = 0; at + 10 <= things.size(); at += 10, ++i) {
        const int flags = int16At(things, at + 8);
        text += "\nthing // " + std::to_string(i) + "\n{\n";
        appendCoordinate(text, "x", int16At(things, at));
        appendCoordinate(text, "y", int16At(things, at + 2));
        appendNumber(text, "angle", int16At(things, at + 4));
        appendKey(text, "type", std::to_string(int16At(things, at + 6)));
        appendFlag(text, "skill1", flags & 1);
        appendFlag(text, "skill2", flags & 1);
        appendFlag(text, "skill3", flags & 2);
        appendFlag(text, "skill4", flags & 4);
        appendFlag(text, "skill5", flags & 4);
        appendFlag(text, "ambush", flags & 8);
        appendFlag(text, "single", (flags & 0x10) == 0);
        appendFlag(text, "coop", true);
        appendFlag(text, "dm", true);
        text += "}\n";
    }
    const Bytes& vertices = lumpOf(doomMap, "VERTEXES");
    for (size_t at = 0, i = 0; at + 4 <= vertices.size(); at += 4, ++i) {
        text += "\nvertex // " + std::to_string(i) + "\n{\n";
        appendCoordinate(text, "x", int16At(vertices, at));
        appendCoordinate(text, "y", int16At(vertices, at + 2));
        text += "}\n";
    }
    const Bytes& linedefs = lumpOf(doomMap, "LINEDEFS");
    static const char* const lineFlags[] = {"blocking",   "blockmonsters", "twosided",
                                            "dontpegtop", "dontpegbottom", "secret",
                                            "blocksound", "dontdraw",      "mapped"};
    for (size_t at = 0, i = 0; at + 14 <= linedefs.size(); at += 14, ++i) {
        text += "\nlinedef // " + std::to_string(i) + "\n{\n";
        const int flags = int16At(linedefs, at + 4);
        appendNumber(text, "id", int16At(linedefs, at + 8));
        appendKey(text, "v1", std::to_string(static_cast<uint16_t>(int16At(linedefs, at))));
        appendKey(text, "v2", std::to_string(static_cast<uint16_t>(int16At(linedefs, at + 2))));
        appendKey(text, "sidefront",
                  std::to_string(static_cast<uint16_t>(int16At(linedefs, at + 10))));
        const int back = static_cast<uint16_t>(int16At(linedefs, at + 12));
        appendNumber(text, "sideback", back == 0xFFFF ? -1 : back, -1);
        for (int bit = 0; bit < 9; ++bit) {
            appendFlag(text, lineFlags[bit], flags & (1 << bit));
        }
        appendNumber(text, "special", int16At(linedefs, at + 6));
        text += "}\n";
    }
    const Bytes& sidedefs = lumpOf(doomMap, "SIDEDEFS");
    for (size_t at = 0, i = 0; at + 30 <= sidedefs.size(); at += 30, ++i) {
        text += "\nsidedef // " + std::to_string(i) + "\n{\n";
        appendNumber(text, "offsetx", int16At(sidedefs, at));
        appendNumber(text, "offsety", int16At(sidedefs, at + 2));
        appendName(text, "texturetop", nameAt(sidedefs, at + 4));
        appendName(text, "texturebottom", nameAt(sidedefs, at + 12));
        appendName(text, "texturemiddle", nameAt(sidedefs, at + 20));
        appendKey(text, "sector",
                  std::to_string(static_cast<uint16_t>(int16At(sidedefs, at + 28))));
        text += "}\n";
    }
    const Bytes& sectors = lumpOf(doomMap, "SECTORS");
    for (size_t at = 0, i = 0; at + 26 <= sectors.size(); at += 26, ++i) {
        text += "\nsector // " + std::to_string(i) + "\n{\n";
        appendNumber(text, "heightfloor", int16At(sectors, at));
        appendNumber(text, "heightceiling", int16At(sectors, at + 2));
        appendKey(text, "texturefloor", quoted(nameAt(sectors, at + 4)));
        appendKey(text, "textureceiling", quoted(nameAt(sectors, at + 12)));
        appendNumber(text, "lightlevel", int16At(sectors, at + 20), 160);
        appendNumber(text, "special", int16At(sectors, at + 22));
        appendNumber(text, "id", int16At(sectors, at + 24));
        text += "}\n";
    }
    return text;
}

std::vector<NamedLump> udmfMapOf(const std::vector<NamedLump>& doomMap) {
    const std::string text = textMapOf(doomMap);
    return {{"TEXTMAP", Bytes(text.begin(), text.end())}, {"ENDMAP", {}}};
}

}  // namespace brindle::test
