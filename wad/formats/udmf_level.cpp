// The blocks of a TEXTMAP turned into map records. Each block keeps the last value written for
// each key it reads and converts them when it closes: numbers rounded down to whole units,
// references where -1 and 65535 name no record, names upper-cased. Blocks of other types and
// keys Brindle does not use are read and left out.
#include <array>
#include <optional>

#include "wad/formats/udmf_level.h"
#include "wad/formats/udmf_text.h"

namespace brindle {

namespace {

enum class Kind {
    coordinate,  // a vertex or thing position: signed 16 bits, or the map is refused
    reference,   // a record index, -1 to 65535
    number,      // any other number: signed 16 bits
    flag,        // true or false
    name,        // a texture or flat name: at most 8 characters
};

struct Key {
    const char* name;
    Kind kind;
    bool required = false;
    int64_t fallback = 0;  // the number a missing key stands for
};

constexpr size_t maxKeys = 11;
using KeyList = std::array<Key, maxKeys>;

enum Block { vertexBlock, linedefBlock, sidedefBlock, sectorBlock, thingBlock, blockCount };
constexpr const char* blockNames[blockCount] = {"vertex", "linedef", "sidedef", "sector", "thing"};

// The keys of each block, in the order the conversions below take them.
const KeyList blockKeys[blockCount] = {
    {{{"x", Kind::coordinate, true}, {"y", Kind::coordinate, true}}},
    {{{"v1", Kind::reference, true},
      {"v2", Kind::reference, true},
      {"sidefront", Kind::reference, true},
      {"sideback", Kind::reference, false, -1},
      {"twosided", Kind::flag},
      {"secret", Kind::flag},
      {"dontdraw", Kind::flag}}},
    {{{"offsetx", Kind::number},
      {"offsety", Kind::number},
      {"texturetop", Kind::name},
      {"texturebottom", Kind::name},
      {"texturemiddle", Kind::name},
      {"sector", Kind::reference, true}}},
    {{{"heightfloor", Kind::number},
      {"heightceiling", Kind::number},
      {"texturefloor", Kind::name, true},
      {"textureceiling", Kind::name, true},
      {"lightlevel", Kind::number, false, 160}}},
    {{{"x", Kind::coordinate, true},
      {"y", Kind::coordinate, true},
      {"angle", Kind::number},
      {"type", Kind::number, true},
      {"skill1", Kind::flag},
      {"skill2", Kind::flag},
      {"skill3", Kind::flag},
      {"skill4", Kind::flag},
      {"skill5", Kind::flag},
      {"single", Kind::flag}}},
};

// A converted value: a number (flags are 0 or 1) or a name.
struct Value {
    int64_t number = 0;
    char name[8] = {'-'};
};

// The text of a name as a message may show it: plain ASCII.
std::string printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        c = byte >= 0x20 && byte < 0x7F ? c : '?';
    }
    return out;
}

std::string fault(int64_t line, const std::string& what) {
    return ": TEXTMAP line " + std::to_string(line) + ": " + what;
}

bool equalsIgnoringCase(std::string_view text, const char* word) {
    size_t i = 0;
    for (; i < text.size() && word[i] != '\0'; ++i) {
        const char c = text[i];
        if (((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c) != word[i]) {
            return false;
        }
    }
    return i == text.size() && word[i] == '\0';
}

std::string convert(const Key& key, const TextValue& text, Value& out) {
    if (key.kind == Kind::flag) {
        if (text.kind == TextValue::bare && equalsIgnoringCase(text.text, "true")) {
            out.number = 1;
        } else if (text.kind == TextValue::bare && equalsIgnoringCase(text.text, "false")) {
            out.number = 0;
        } else {
            return fault(text.line, std::string(key.name) + " must be true or false");
        }
        return {};
    }
    if (key.kind == Kind::name) {
        if (text.kind != TextValue::quoted) {
            return fault(text.line, std::string(key.name) + " must be a quoted name");
        }
        std::string name = unescaped(text.text);
        for (char& c : name) {
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        if (name.size() > 8) {
            return " names a texture longer than 8 characters: " + printable(name);
        }
        std::fill(std::begin(out.name), std::end(out.name), '\0');
        std::copy(name.begin(), name.end(), out.name);
        return {};
    }
    if (text.kind != TextValue::bare || !wholeNumber(text.text, out.number)) {
        return fault(text.line, std::string(key.name) + " must be a number");
    }
    const std::string written = std::string(key.name) + " " + printable(std::string(text.text));
    switch (key.kind) {
        case Kind::coordinate:
            if (out.number < -32768 || out.number > 32767) {
                return " has coordinates outside -32768..32767";
            }
            break;
        case Kind::reference:
            if (out.number < -1 || out.number > 65535) {
                return fault(text.line, written + " lies outside -1..65535");
            }
            out.number = out.number == 65535 ? noRecord : out.number;
            break;
        default:
            if (out.number < -32768 || out.number > 32767) {
                return fault(text.line, written + " does not fit 16 bits");
            }
    }
    return {};
}

class RecordBuilder : public TextMapVisitor {
  public:
    explicit RecordBuilder(MapRecords& out) : out(out) {}

    std::string beginBlock(const std::string& type, int64_t line) override {
        block = blockCount;
        for (int b = 0; b < blockCount; ++b) {
            if (type == blockNames[b]) {
                block = static_cast<Block>(b);
            }
        }
        blockLine = line;
        written.fill(std::nullopt);
        return {};
    }

    std::string assign(const std::string& key, const TextValue& value) override {
        if (block == blockCount) {
            return {};
        }
        const KeyList& keys = blockKeys[block];
        for (size_t k = 0; k < maxKeys && keys[k].name != nullptr; ++k) {
            if (key == keys[k].name) {
                written[k] = value;  // the last assignment wins
            }
        }
        return {};
    }

    std::string assignGlobal(const std::string&, const TextValue&) override { return {}; }

    std::string endBlock() override {
        if (block == blockCount) {
            return {};
        }
        const KeyList& keys = blockKeys[block];
        std::array<Value, maxKeys> values;
        for (size_t k = 0; k < maxKeys && keys[k].name != nullptr; ++k) {
            if (!written[k]) {
                if (keys[k].required) {
                    return fault(blockLine, std::string("the ") + blockNames[block] + " has no " +
                                                keys[k].name);
                }
                values[k].number = keys[k].fallback;
                continue;
            }
            if (std::string problem = convert(keys[k], *written[k], values[k]); !problem.empty()) {
                return problem;
            }
        }
        store(values);
        return {};
    }

  private:
    static int16_t int16(const Value& value) { return static_cast<int16_t>(value.number); }
    static int32_t reference(const Value& value) { return static_cast<int32_t>(value.number); }

    void store(const std::array<Value, maxKeys>& v) {
        switch (block) {
            case vertexBlock:
                out.vertices.push_back(Vertex{int16(v[0]), int16(v[1])});
                break;
            case linedefBlock: {
                const auto flags = static_cast<int16_t>(
                    (v[4].number ? 4 : 0) | (v[5].number ? 32 : 0) | (v[6].number ? 128 : 0));
                out.linedefs.push_back(Linedef{reference(v[0]), reference(v[1]), flags, 0, 0,
                                               reference(v[2]), reference(v[3])});
                break;
            }
            case sidedefBlock: {
                Sidedef side{int16(v[0]), int16(v[1]), {}, {}, {}, reference(v[5])};
                std::copy(std::begin(v[2].name), std::end(v[2].name), side.upperTexture);
                std::copy(std::begin(v[3].name), std::end(v[3].name), side.lowerTexture);
                std::copy(std::begin(v[4].name), std::end(v[4].name), side.middleTexture);
                out.sidedefs.push_back(side);
                break;
            }
            case sectorBlock: {
                Sector sector{int16(v[0]), int16(v[1]), {}, {}, int16(v[4]), 0, 0};
                std::copy(std::begin(v[2].name), std::end(v[2].name), sector.floorFlat);
                std::copy(std::begin(v[3].name), std::end(v[3].name), sector.ceilingFlat);
                out.sectors.push_back(sector);
                break;
            }
            case thingBlock: {
                Thing thing{int16(v[0]), int16(v[1]), int16(v[2]), int16(v[3]), 0};
                for (size_t skill = 0; skill < 5; ++skill) {
                    thing.skills |= static_cast<uint8_t>(v[4 + skill].number << skill);
                }
                thing.singlePlayer = v[9].number != 0;
                out.things.push_back(thing);
                break;
            }
            case blockCount:
                break;
        }
    }

    MapRecords& out;
    Block block = blockCount;
    int64_t blockLine = 0;
    std::array<std::optional<TextValue>, maxKeys> written;
};

}  // namespace

std::string readTextMap(const LevelLump& textmap, MapRecords& out) {
    out = MapRecords{};
    RecordBuilder builder(out);
    const std::string_view text(reinterpret_cast<const char*>(textmap.data()), textmap.size());
    std::string problem = parseTextMap(text, builder);
    if (!problem.empty()) {
        out = MapRecords{};
    }
    return problem;
}

}  // namespace brindle
