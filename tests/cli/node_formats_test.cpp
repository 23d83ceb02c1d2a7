// Maps in every node format, made from the real archives by the node builder (zdbsp) and by
// rewriting its lumps, drawn by brindle-render: each format draws what the same tree draws in
// classic nodes (or, for the GL-style ones, in XGLN), and broken node lumps are refused.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "tests/support/node_lumps.h"
#include "tests/support/synthetic_wad.h"
#include "tests/support/test_data.h"
#include "tests/video/picture_files.h"

namespace brindle {
namespace {

using test::Bytes;
using test::NamedLump;

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

CommandRun run(const std::string& command, const test::ScratchFolder& folder) {
    const std::string out = folder.path("out.txt");
    const std::string err = folder.path("err.txt");
    const int raw = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
    const Bytes o = test::readWholeFile(out);
    const Bytes e = test::readWholeFile(err);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(o.begin(), o.end()),
            std::string(e.begin(), e.end())};
}

// A map's marker and its ten lumps, by name.
struct MapLumps {
    std::vector<NamedLump> lumps;
    Bytes& operator[](const std::string& name) {
        for (NamedLump& lump : lumps) {
            if (lump.name == name) {
                return lump.data;
            }
        }
        throw std::runtime_error("no lump " + name);
    }
    test::ClassicNodeLumps classicNodes() {
        return {(*this)["SEGS"], (*this)["SSECTORS"], (*this)["NODES"],
                static_cast<uint32_t>((*this)["VERTEXES"].size() / 4)};
    }
};

MapLumps readMap(const std::string& path, const std::string& marker) {
    const std::vector<NamedLump> all = test::readWadLumps(path);
    MapLumps map;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].name == marker) {
            map.lumps.assign(all.begin() + static_cast<ptrdiff_t>(i) + 1,
                             all.begin() + static_cast<ptrdiff_t>(std::min(all.size(), i + 11)));
        }
    }
    return map;
}

void writeMap(MapLumps map, const std::string& marker, const std::string& path) {
    test::SyntheticWad pwad;
    pwad.setIdentification("PWAD").addMarker(marker);
    for (NamedLump& lump : map.lumps) {
        pwad.addLump(lump.name, lump.data);
    }
    pwad.writeTo(path);
}

struct TestMap {
    std::string iwad;
    std::string marker;
    std::vector<std::string> views;  // brindle-render shot arguments
};

// Every format of one map, as PWADs in one folder.
class NodeFormatMaps {
  public:
    explicit NodeFormatMaps(const TestMap& map) : marker(map.marker) {
        writeMap(readMap(map.iwad, marker), marker, path("source"));
        const std::pair<const char*, const char*> built[] = {
            {"classic", ""}, {"xnod", "-X"}, {"znod", "-z"}, {"xgln", "-x -X"}, {"zgln", "-x -z"}};
        for (const auto& [name, options] : built) {
            const CommandRun made =
                run(std::string(BRINDLE_ZDBSP) + " -t -m " + marker + " " + options + " -o '" +
                        path(name) + "' '" + path("source") + "'",
                    folder);
            if (made.status != 0) {
                throw std::runtime_error("zdbsp " + std::string(options) + ": " + made.err);
            }
        }
        MapLumps classic = readMap(path("classic"), marker);
        const test::ClassicNodeLumps deep = test::deepBspLumps(classic.classicNodes());
        classic["SEGS"] = deep.segs;
        classic["SSECTORS"] = deep.subsectors;
        classic["NODES"] = deep.nodes;
        writeMap(classic, marker, path("deepbsp"));
        for (NodeFormat format :
             {NodeFormat::xgl2, NodeFormat::xgl3, NodeFormat::zgl2, NodeFormat::zgl3}) {
            MapLumps gl = readMap(path("xgln"), marker);
            gl["SSECTORS"] = test::fromXgln(gl["SSECTORS"], format);
            writeMap(gl, marker, path(nodeFormatName(format)));
            if (format == NodeFormat::zgl3) {  // where binary maps may keep it as well
                std::swap(gl["SSECTORS"], gl["NODES"]);
                writeMap(gl, marker, path("zgl3-in-nodes"));
            }
        }
    }
    std::string path(const std::string& format) const { return folder.path(format + ".wad"); }
    std::string marker;
    test::ScratchFolder folder;
};

const std::vector<TestMap>& testMaps() {
    static const std::vector<TestMap> maps = {
        {test::freedoom2Path(),
         "MAP01",
         {"", "--look game", "--keys 'U*10,L*6' --look game", "--keys 'L*18,U*6' --floors",
          "--pos=1000,-1500,16384 --look game"}},
        {test::freedoom1Path(),
         "E1M1",
         {"--floors", "--look game", "--keys 'U*12,R*9' --look game", "--keys 'L*30,U*8'"}},
    };
    return maps;
}

class NodeFormatsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (std::string(BRINDLE_ZDBSP).empty() || test::freedoom1Path().empty() ||
            test::freedoom2Path().empty()) {
            return;
        }
        for (const TestMap& map : testMaps()) {
            made.push_back(std::make_unique<NodeFormatMaps>(map));
        }
    }
    static void TearDownTestSuite() { made.clear(); }
    void SetUp() override {
        if (made.empty()) {
            GTEST_SKIP() << "needs zdbsp and the freedoom package (scripts/install-deps.sh --test)";
        }
    }
    std::string render(const TestMap& map, const std::string& pwad, const std::string& args) {
        return std::string("'") + BRINDLE_RENDER + "' " + args + " --wad '" + map.iwad +
               "' --file '" + pwad + "' --map " + map.marker;
    }
    Bytes shot(const TestMap& map, const std::string& pwad, const std::string& view) {
        const std::string picture = scratch.path("shot.pcx");
        const CommandRun drawn =
            run(render(map, pwad, "shot " + view) + " --out '" + picture + "'", scratch);
        EXPECT_EQ(drawn.status, 0) << pwad << " " << view << ": " << drawn.err;
        return test::readWholeFile(picture);
    }
    static inline std::vector<std::unique_ptr<NodeFormatMaps>> made;
    test::ScratchFolder scratch;
};

// Each map file, its node format, and the file whose frames it must draw (the same tree in
// another format).
struct SameFrames {
    const char* file;
    const char* format;
    const char* reference;
};
const SameFrames sameFrames[] = {
    {"xnod", "xnod", "classic"}, {"znod", "znod", "classic"}, {"deepbsp", "deepbsp", "classic"},
    {"zgln", "zgln", "xgln"},    {"xgl2", "xgl2", "xgln"},    {"zgl2", "zgl2", "xgln"},
    {"xgl3", "xgl3", "xgln"},    {"zgl3", "zgl3", "xgln"},    {"zgl3-in-nodes", "zgl3", "xgln"},
};

TEST_F(NodeFormatsTest, EveryFormatDrawsTheFramesOfTheSameTreeInAnother) {
    for (size_t m = 0; m < made.size(); ++m) {
        const TestMap& map = testMaps()[m];
        const NodeFormatMaps& maps = *made[m];
        for (const auto& [file, format, reference] : sameFrames) {
            const CommandRun info = run(render(map, maps.path(file), "info"), scratch);
            EXPECT_NE(info.out.find(std::string("\"nodeFormat\": \"") + format + "\""),
                      std::string::npos)
                << map.marker << " " << format << ": " << info.out.substr(0, 200) << info.err;
            for (const std::string& view : map.views) {
                EXPECT_EQ(shot(map, maps.path(file), view), shot(map, maps.path(reference), view))
                    << map.marker << " in " << file << " and " << reference << " at " << view;
            }
        }
    }
}

// A broken node lump of freedoom2.wad's MAP01, made from its XNOD, ZNOD, XGLN and DeePBSP
// lumps, with the message that refuses it.
struct BrokenNodes {
    const char* name;
    const char* from;  // the format of the map it is made from
    const char* lump;  // the lump that is changed
    std::function<void(Bytes&)> damage;
    const char* message;
};

void put32At(Bytes& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) {
        b.at(at + k) = static_cast<uint8_t>(v >> (8 * k));
    }
}
uint32_t u32At(const Bytes& b, size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (uint32_t{b.at(at + 3)} << 24);
}
// Where an XNOD or XGLN lump's blocks begin: the subsector count, the seg count, the nodes.
size_t subsectorsAt(const Bytes& b) {
    return 12 + size_t{u32At(b, 8)} * 8;
}
size_t segsAt(const Bytes& b) {
    return subsectorsAt(b) + 4 + size_t{u32At(b, subsectorsAt(b))} * 4;
}

const BrokenNodes brokenNodes[] = {
    {"Truncated", "xnod", "NODES", [](Bytes& b) { b.resize(30); }, ": NODES is too short for its "},
    {"TooManySubsectors", "xnod", "NODES",
     [](Bytes& b) { put32At(b, subsectorsAt(b), 0x7FFFFFF0u); },
     ": NODES is too short for its 2147483632 subsectors"},
    {"TooManyExtraVertices", "xnod", "NODES", [](Bytes& b) { put32At(b, 8, 0xFFFFFFFFu); },
     ": NODES is too short for its 4294967295 extra vertices"},
    {"SegsThatTheSubsectorsDoNotHold", "xnod", "NODES",
     [](Bytes& b) { put32At(b, segsAt(b), u32At(b, segsAt(b)) - 1); },
     ": NODES has 1980 segs, its subsectors 1981"},
    {"SegVertexOutOfRange", "xnod", "NODES", [](Bytes& b) { put32At(b, segsAt(b) + 4, 5000); },
     ": NODES seg 0 names vertex 5000 (there are 1035)"},
    {"SegLinedefOutOfRange", "xgln", "SSECTORS",
     [](Bytes& b) { put32At(b, segsAt(b) + 12, 0x1111); },
     ": SSECTORS seg 0 names linedef 4369 (the map has 1069)"},
    {"SegSideTwo", "xnod", "NODES", [](Bytes& b) { b.at(segsAt(b) + 4 + 10) = 2; },
     ": NODES seg 0 has side 2, neither 0 nor 1"},
    {"BadChildIndex", "xnod", "NODES", [](Bytes& b) { put32At(b, b.size() - 8, 70000); },
     "NODES record 615: "},
    {"BuiltForOtherVertices", "xgln", "SSECTORS", [](Bytes& b) { put32At(b, 4, 846); },
     ": the nodes do not belong to the map (built for 846 vertices, the map has 845)"},
    {"NoSubsectors", "xnod", "NODES",
     [](Bytes& b) {
         b.resize(subsectorsAt(b));
         for (int block = 0; block < 3; ++block) {
             b.insert(b.end(), 4, 0);
         }
     },
     " has no nodes: build them with a node builder such as zdbsp or glbsp"},
    {"BrokenZlibStream", "znod", "NODES", [](Bytes& b) { b.at(4) ^= 0xFF; },
     ": NODES holds compressed nodes (ZNOD) that do not inflate: "},
    {"ZlibStreamCutShort", "zgln", "SSECTORS", [](Bytes& b) { b.resize(b.size() / 2); },
     ": SSECTORS holds compressed nodes (ZGLN) that do not inflate: the stream ends early"},
    {"DeepSubsectorPastTheSegs", "deepbsp", "SSECTORS", [](Bytes& b) { put32At(b, 2, 900000); },
     "SSECTORS record 0: segs 900000 to "},
};

TEST_F(NodeFormatsTest, BrokenNodeLumpsAreRefusedWithWhatIsWrong) {
    const TestMap& map = testMaps()[0];
    for (const BrokenNodes& broken : brokenNodes) {
        MapLumps lumps = readMap(made[0]->path(broken.from), map.marker);
        broken.damage(lumps[broken.lump]);
        const std::string pwad = scratch.path("broken.wad");
        writeMap(lumps, map.marker, pwad);
        const CommandRun info = run(render(map, pwad, "info"), scratch);
        EXPECT_EQ(info.status, 2) << broken.name << ": " << info.err;
        EXPECT_NE(info.err.find(pwad), std::string::npos) << broken.name << ": " << info.err;
        EXPECT_NE(info.err.find(broken.message), std::string::npos)
            << broken.name << ": " << info.err;
    }
}

}  // namespace
}  // namespace brindle
