#include "tests/hostile/broken_archives.h"

#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>

#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle::test {

namespace {

constexpr int32_t twoGigabytes = INT32_MAX;

// The pieces of the valid archive, each open to damage before they are put together.
struct ArchiveParts {
    Bytes playpal = playpalLump();
    Bytes colormap = colormapLump();
    Bytes pnames = pnamesLump({"WALLPAT"});
    Bytes texture1 = textureLump({{"WALL", 64, 128, {{0, 0, 0}}}});
    Bytes wallpat = solidPatchLump(
        64, 128, [](int x, int y) { return static_cast<uint8_t>((x + 2 * y) % 255 + 1); });
    SyntheticLevel level = squareRoomLevel();
    // Lumps added after the patch, before the level.
    std::vector<std::pair<std::string, Bytes>> extraLumps;
    // Level lump bodies written instead of the records' bytes.
    std::map<std::string, Bytes> levelLumpOverrides;
};

SyntheticWad& addGlobals(SyntheticWad& wad, const ArchiveParts& parts) {
    wad.addLump("PLAYPAL", parts.playpal)
        .addLump("COLORMAP", parts.colormap)
        .addLump("PNAMES", parts.pnames)
        .addLump("TEXTURE1", parts.texture1)
        .addLump("WALLPAT", parts.wallpat);
    for (const auto& [name, data] : parts.extraLumps) {
        wad.addLump(name, data);
    }
    return wad;
}

Bytes assemble(const ArchiveParts& parts) {
    SyntheticWad wad;
    addGlobals(wad, parts);
    if (parts.levelLumpOverrides.empty()) {
        wad.addLevel("E1M1", parts.level);
        return wad.bytes();
    }
    // The same lumps as addLevel, with some bodies replaced.
    const SyntheticLevel& level = parts.level;
    const std::map<std::string, Bytes> records = {{"THINGS", recordBytes(level.things)},
                                                  {"LINEDEFS", recordBytes(level.linedefs)},
                                                  {"SIDEDEFS", recordBytes(level.sidedefs)},
                                                  {"VERTEXES", recordBytes(level.vertices)},
                                                  {"SEGS", recordBytes(level.segs)},
                                                  {"SSECTORS", recordBytes(level.subsectors)},
                                                  {"NODES", recordBytes(level.nodes)},
                                                  {"SECTORS", recordBytes(level.sectors)},
                                                  {"REJECT", {}},
                                                  {"BLOCKMAP", Bytes(16, 0)}};
    wad.addMarker("E1M1");
    for (const std::string& name : SyntheticWad::levelLumpNames) {
        const auto replaced = parts.levelLumpOverrides.find(name);
        wad.addLump(
            name, replaced != parts.levelLumpOverrides.end() ? replaced->second : records.at(name));
    }
    return wad.bytes();
}

Bytes withParts(const std::function<void(ArchiveParts&)>& damage) {
    ArchiveParts parts;
    damage(parts);
    return assemble(parts);
}

Bytes withLevel(const std::function<void(SyntheticLevel&)>& damage) {
    return withParts([&](ArchiveParts& parts) { damage(parts.level); });
}

void setInt16(Bytes& bytes, size_t at, int32_t value) {
    const auto bits = static_cast<uint16_t>(value);
    std::memcpy(bytes.data() + at, &bits, 2);
}

void setInt32(Bytes& bytes, size_t at, int32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

int32_t int32At(const Bytes& bytes, size_t at) {
    int32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// Edits the directory entry of the first lump of that name in place.
Bytes withEntry(Bytes wad, const std::string& name,
                const std::function<void(LumpEntry&, int32_t fileSize)>& edit) {
    const int32_t count = int32At(wad, 4);
    const int32_t offset = int32At(wad, 8);
    for (int32_t i = 0; i < count; ++i) {
        LumpEntry entry{};
        const size_t at = static_cast<size_t>(offset) + static_cast<size_t>(i) * sizeof entry;
        std::memcpy(&entry, wad.data() + at, sizeof entry);
        if (lumpName(entry.name) == name) {
            edit(entry, static_cast<int32_t>(wad.size()));
            std::memcpy(wad.data() + at, &entry, sizeof entry);
            return wad;
        }
    }
    throw std::logic_error("no lump " + name + " in the base archive");
}

Expected openFails(int32_t result, std::string mentions) {
    return Expected{result, 0, std::move(mentions), false};
}

Expected levelFails(int32_t result, std::string mentions) {
    return Expected{resultOk, result, std::move(mentions), false};
}

const Expected loadsWithSameFrame{resultOk, resultOk, "", true};
const Expected loads{resultOk, resultOk, "", false};

const char* const requiredLevelLumps[] = {"LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS",
                                          "SSECTORS", "NODES",    "SECTORS"};

bool isRequiredLevelLump(const std::string& name) {
    for (const char* required : requiredLevelLumps) {
        if (name == required) {
            return true;
        }
    }
    return false;
}

std::string valueLabel(int32_t value) {
    return value < 0 ? "minus" + std::to_string(-int64_t{value}) : std::to_string(value);
}

}  // namespace

Bytes validBaseArchive() {
    return assemble(ArchiveParts{});
}

std::vector<BrokenArchive> brokenHeaderAndDirectory() {
    const Bytes valid = validBaseArchive();
    const int32_t lumps = int32At(valid, 4);
    const int32_t directory = int32At(valid, 8);
    const int32_t size = static_cast<int32_t>(valid.size());
    auto header = [&](size_t at, int32_t value) {
        Bytes bytes = valid;
        setInt32(bytes, at, value);
        return bytes;
    };
    auto cut = [&](size_t length) { return Bytes(valid.begin(), valid.begin() + length); };
    auto identified = [&](const char* id) {
        Bytes bytes = valid;
        std::memcpy(bytes.data(), id, 4);
        return bytes;
    };
    const Expected tooShort = openFails(resultCannotRead, "too short");
    const Expected noMap = levelFails(resultCannotRead, "E1M1 not found");
    const Expected pastEnd = openFails(resultCannotRead, "past the end");
    return {
        {"Empty_file", {}, tooShort},
        {"File_of_4_bytes", cut(4), tooShort},
        {"File_of_11_bytes", cut(11), tooShort},
        {"Header_only", cut(12), pastEnd},
        {"PWAD", identified("PWAD"), openFails(resultNotIwad, "not an IWAD")},
        {"Lowercase_iwad", identified("iwad"), openFails(resultNotIwad, "not an IWAD")},
        {"Zero_identification", identified("\0\0\0\0"), openFails(resultNotIwad, "not an IWAD")},
        {"Lump_count_0", header(4, 0), noMap},
        {"Lump_count_minus1", header(4, -1), noMap},
        {"Lump_count_min", header(4, INT32_MIN), noMap},
        {"Lump_count_one_too_many", header(4, lumps + 1), pastEnd},
        {"Lump_count_huge", header(4, INT32_MAX), pastEnd},
        {"Lump_count_fills_4_GB", header(4, 0x10000000), pastEnd},
        {"Directory_offset_minus1", header(8, -1), openFails(resultCannotRead, "negative")},
        {"Directory_offset_min", header(8, INT32_MIN), openFails(resultCannotRead, "negative")},
        {"Directory_offset_at_end", header(8, size), pastEnd},
        {"Directory_offset_past_end", header(8, size + 1000), pastEnd},
        {"Directory_offset_max", header(8, INT32_MAX), pastEnd},
        {"Directory_offset_one_entry_late", header(8, directory + 16), pastEnd},
        {"Directory_cut_inside_last_entry", cut(valid.size() - 8), pastEnd},
        {"Directory_cut_to_one_entry", cut(static_cast<size_t>(directory) + 16), pastEnd},
        {"Directory_cut_before_start", cut(static_cast<size_t>(directory) - 1), pastEnd},
    };
}

std::vector<BrokenArchive> brokenLumpEntries() {
    const Bytes valid = validBaseArchive();
    struct Damage {
        const char* label;
        std::function<void(LumpEntry&, int32_t fileSize)> edit;
    };
    const Damage damages[] = {
        {"offset_minus1", [](LumpEntry& e, int32_t) { e.filePos = -1; }},
        {"offset_min", [](LumpEntry& e, int32_t) { e.filePos = INT32_MIN; }},
        {"offset_at_end", [](LumpEntry& e, int32_t size) { e.filePos = size; }},
        {"offset_max", [](LumpEntry& e, int32_t) { e.filePos = INT32_MAX; }},
        {"size_minus1", [](LumpEntry& e, int32_t) { e.size = -1; }},
        {"size_min", [](LumpEntry& e, int32_t) { e.size = INT32_MIN; }},
        {"size_one_past_end", [](LumpEntry& e, int32_t size) { e.size = size - e.filePos + 1; }},
        {"size_2_GB", [](LumpEntry& e, int32_t) { e.size = twoGigabytes; }},
    };
    std::vector<BrokenArchive> cases;
    for (const std::string name :
         {"PLAYPAL", "COLORMAP", "PNAMES", "TEXTURE1", "WALLPAT", "THINGS", "LINEDEFS", "SIDEDEFS",
          "VERTEXES", "SEGS", "SSECTORS", "NODES", "SECTORS", "REJECT", "BLOCKMAP"}) {
        for (const Damage& damage : damages) {
            Expected expected = loads;
            if (isRequiredLevelLump(name)) {
                expected = levelFails(resultBadLevel, name + " lump missing");
            } else if (name == "PLAYPAL" || name == "COLORMAP" || name == "REJECT" ||
                       name == "BLOCKMAP") {
                expected = loadsWithSameFrame;  // nothing drawn depends on them
            }
            cases.push_back(
                {name + "_" + damage.label, withEntry(valid, name, damage.edit), expected});
        }
    }
    // Level markers.
    cases.push_back({"Marker_with_nonzero_size",
                     withEntry(valid, "E1M1", [](LumpEntry& e, int32_t) { e.size = 16; }),
                     loadsWithSameFrame});
    cases.push_back({"Marker_with_size_2_GB",
                     withEntry(valid, "E1M1", [](LumpEntry& e, int32_t) { e.size = twoGigabytes; }),
                     levelFails(resultCannotRead, "E1M1 not found")});
    cases.push_back({"Marker_with_size_minus1",
                     withEntry(valid, "E1M1", [](LumpEntry& e, int32_t) { e.size = -1; }),
                     levelFails(resultCannotRead, "E1M1 not found")});
    cases.push_back({"Marker_with_offset_minus1",
                     withEntry(valid, "E1M1", [](LumpEntry& e, int32_t) { e.filePos = -1; }),
                     loadsWithSameFrame});
    {
        SyntheticLevel broken = squareRoomLevel();
        broken.segs[0].side = 2;
        SyntheticWad validFirst;
        addGlobals(validFirst, ArchiveParts{});
        validFirst.addLevel("E1M1", squareRoomLevel()).addLevel("E1M1", broken);
        cases.push_back({"Two_markers_valid_first", validFirst.bytes(), loadsWithSameFrame});
        SyntheticWad brokenFirst;
        addGlobals(brokenFirst, ArchiveParts{});
        brokenFirst.addLevel("E1M1", broken).addLevel("E1M1", squareRoomLevel());
        cases.push_back({"Two_markers_broken_first", brokenFirst.bytes(),
                         levelFails(resultBadLevel, "SEGS record 0")});
        SyntheticWad emptyFirst;
        addGlobals(emptyFirst, ArchiveParts{});
        emptyFirst.addMarker("E1M1").addLevel("E1M1", squareRoomLevel());
        // The ten entries after the first marker hold the second level's lumps.
        cases.push_back({"Two_markers_empty_first", emptyFirst.bytes(), loadsWithSameFrame});
        SyntheticWad markerLast;
        addGlobals(markerLast, ArchiveParts{});
        markerLast.addMarker("E1M1");
        cases.push_back({"Marker_is_the_last_entry", markerLast.bytes(),
                         levelFails(resultBadLevel, "lump missing")});
    }
    return cases;
}

std::vector<BrokenArchive> brokenGlobalLumps() {
    auto parts = [](const std::function<void(ArchiveParts&)>& damage) { return withParts(damage); };
    auto texture = [](const std::function<void(Bytes&)>& damage) {
        return withParts([&](ArchiveParts& p) { damage(p.texture1); });
    };
    // TEXTURE1 of one texture: count at 0, its offset at 4, the entry at 8 (width at 20,
    // height at 22, placement count at 28), the placement at 30 (x, y, patch).
    const size_t textureOffset = 4, width = 20, height = 22, placements = 28;
    const size_t originX = 30, originY = 32, patch = 34;
    const size_t textureSize = 40;
    std::vector<BrokenArchive> cases = {
        {"PLAYPAL_empty", parts([](ArchiveParts& p) { p.playpal.clear(); }), loadsWithSameFrame},
        {"PLAYPAL_of_100_bytes", parts([](ArchiveParts& p) { p.playpal.resize(100); }),
         loadsWithSameFrame},
        {"PLAYPAL_one_byte_short", parts([](ArchiveParts& p) { p.playpal.pop_back(); }),
         loadsWithSameFrame},
        {"PLAYPAL_twice_as_long",
         parts([](ArchiveParts& p) { p.playpal.resize(p.playpal.size() * 2, 7); }),
         loadsWithSameFrame},
        {"COLORMAP_of_10_bytes", parts([](ArchiveParts& p) { p.colormap.resize(10); }),
         loadsWithSameFrame},
        {"COLORMAP_one_byte_short", parts([](ArchiveParts& p) { p.colormap.pop_back(); }),
         loadsWithSameFrame},

        {"PNAMES_count_minus1", parts([](ArchiveParts& p) { setInt32(p.pnames, 0, -1); }), loads},
        {"PNAMES_count_min", parts([](ArchiveParts& p) { setInt32(p.pnames, 0, INT32_MIN); }),
         loads},
        {"PNAMES_count_huge", parts([](ArchiveParts& p) { setInt32(p.pnames, 0, INT32_MAX); }),
         loadsWithSameFrame},
        {"PNAMES_count_beyond_names", parts([](ArchiveParts& p) { setInt32(p.pnames, 0, 2); }),
         loadsWithSameFrame},
        {"PNAMES_of_2_bytes", parts([](ArchiveParts& p) { p.pnames.resize(2); }), loads},
        {"PNAMES_count_only", parts([](ArchiveParts& p) { p.pnames.resize(4); }), loads},
        {"PNAMES_name_in_lower_case",
         parts([](ArchiveParts& p) { p.pnames = pnamesLump({"wallpat"}); }), loads},

        {"TEXTURE1_count_minus1", texture([](Bytes& t) { setInt32(t, 0, -1); }), loads},
        {"TEXTURE1_count_min", texture([](Bytes& t) { setInt32(t, 0, INT32_MIN); }), loads},
        {"TEXTURE1_count_huge", texture([](Bytes& t) { setInt32(t, 0, INT32_MAX); }),
         loadsWithSameFrame},
        {"TEXTURE1_of_2_bytes", texture([](Bytes& t) { t.resize(2); }), loads},
        {"TEXTURE1_offset_minus1", texture([&](Bytes& t) { setInt32(t, textureOffset, -1); }),
         loads},
        {"TEXTURE1_offset_min", texture([&](Bytes& t) { setInt32(t, textureOffset, INT32_MIN); }),
         loads},
        {"TEXTURE1_offset_at_lump_end",
         texture([&](Bytes& t) { setInt32(t, textureOffset, textureSize); }), loads},
        {"TEXTURE1_offset_header_crosses_end",
         texture([&](Bytes& t) { setInt32(t, textureOffset, textureSize - 21); }), loads},
        {"TEXTURE1_offset_max", texture([&](Bytes& t) { setInt32(t, textureOffset, INT32_MAX); }),
         loads},
        {"TEXTURE1_width_minus64", texture([&](Bytes& t) { setInt16(t, width, -64); }), loads},
        {"TEXTURE1_height_minus128", texture([&](Bytes& t) { setInt16(t, height, -128); }), loads},
        {"TEXTURE1_width_0", texture([&](Bytes& t) { setInt16(t, width, 0); }), loads},
        {"TEXTURE1_height_0", texture([&](Bytes& t) { setInt16(t, height, 0); }), loads},
        {"TEXTURE1_size_32767_by_32767", texture([&](Bytes& t) {
             setInt16(t, width, 32767);
             setInt16(t, height, 32767);
         }),
         loads},
        {"TEXTURE1_width_32767", texture([&](Bytes& t) { setInt16(t, width, 32767); }), loads},
        {"TEXTURE1_size_4096_by_4096", texture([&](Bytes& t) {
             setInt16(t, width, 4096);
             setInt16(t, height, 4096);
         }),
         loads},
        {"TEXTURE1_placements_0", texture([&](Bytes& t) { setInt16(t, placements, 0); }), loads},
        {"TEXTURE1_placements_minus1", texture([&](Bytes& t) { setInt16(t, placements, -1); }),
         loads},
        {"TEXTURE1_placements_32767", texture([&](Bytes& t) { setInt16(t, placements, 32767); }),
         loadsWithSameFrame},
        {"TEXTURE1_patch_minus1", texture([&](Bytes& t) { setInt16(t, patch, -1); }), loads},
        {"TEXTURE1_patch_count", texture([&](Bytes& t) { setInt16(t, patch, 1); }), loads},
        {"TEXTURE1_patch_32767", texture([&](Bytes& t) { setInt16(t, patch, 32767); }), loads},
        {"TEXTURE1_origin_32767", texture([&](Bytes& t) {
             setInt16(t, originX, 32767);
             setInt16(t, originY, 32767);
         }),
         loads},
        {"TEXTURE1_origin_minus32768", texture([&](Bytes& t) {
             setInt16(t, originX, -32768);
             setInt16(t, originY, -32768);
         }),
         loads},
        {"TEXTURE1_origin_leaves_one_texel", texture([&](Bytes& t) {
             setInt16(t, originX, -63);
             setInt16(t, originY, -127);
         }),
         loads},
        {"TEXTURE2_count_huge", parts([](ArchiveParts& p) {
             // A TEXTURE2 whose count claims far more than it holds.
             Bytes texture2 = textureLump({{"OTHER", 8, 8, {{0, 0, 0}}}});
             setInt32(texture2, 0, INT32_MAX);
             p.extraLumps.emplace_back("TEXTURE2", texture2);
         }),
         loadsWithSameFrame},
    };
    return cases;
}

std::vector<BrokenArchive> brokenPatches() {
    auto patch = [](const std::function<void(Bytes&)>& damage) {
        return withParts([&](ArchiveParts& p) { damage(p.wallpat); });
    };
    // A one-column patch whose column is `column` (the data from byte 12 on).
    auto oneColumn = [](int16_t height, const Bytes& column) {
        Bytes bytes;
        appendInt16(bytes, 1);
        appendInt16(bytes, height);
        appendInt32(bytes, 0);
        appendInt32(bytes, 12);
        bytes.insert(bytes.end(), column.begin(), column.end());
        return bytes;
    };
    Bytes longRuns;  // runs of 255 rows, one after another, never a 255 top byte
    for (int run = 0; run < 40; ++run) {
        longRuns.insert(longRuns.end(), {0, 255, 0});
        longRuns.insert(longRuns.end(), 256, 9);
    }
    Bytes emptyRuns;  // 20000 runs of no rows
    for (int run = 0; run < 20000; ++run) {
        emptyRuns.insert(emptyRuns.end(), {3, 0, 0, 0});
    }
    const size_t columnTable = 8;
    return {
        {"Patch_of_4_bytes", patch([](Bytes& p) { p.resize(4); }), loads},
        {"Patch_header_only", patch([](Bytes& p) { p.resize(8); }), loads},
        {"Patch_column_table_cut", patch([](Bytes& p) { p.resize(8 + 4 * 10); }), loads},
        {"Patch_column_offset_minus1", patch([&](Bytes& p) { setInt32(p, columnTable, -1); }),
         loads},
        {"Patch_column_offset_at_lump_end",
         patch([&](Bytes& p) { setInt32(p, columnTable, static_cast<int32_t>(p.size())); }), loads},
        {"Patch_column_offset_at_last_byte",
         patch([&](Bytes& p) { setInt32(p, columnTable, static_cast<int32_t>(p.size()) - 1); }),
         loads},
        {"Patch_column_offset_max", patch([&](Bytes& p) { setInt32(p, columnTable, INT32_MAX); }),
         loads},
        {"Patch_every_column_offset_minus1", patch([&](Bytes& p) {
             for (size_t x = 0; x < 64; ++x) {
                 setInt32(p, columnTable + 4 * x, -1);
             }
         }),
         loads},
        {"Patch_run_never_ends", patch([&](Bytes& p) { p = oneColumn(128, longRuns); }), loads},
        {"Patch_empty_runs_never_end", patch([&](Bytes& p) { p = oneColumn(128, emptyRuns); }),
         loads},
        {"Patch_run_past_lump_end", patch([&](Bytes& p) {
             p = oneColumn(128, Bytes{0, 200, 0, 1, 2, 3});
         }),
         loads},
        {"Patch_run_below_height", patch([&](Bytes& p) {
             p = oneColumn(128, Bytes{250, 10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 255});
         }),
         loads},
        {"Patch_width_0", patch([](Bytes& p) { setInt16(p, 0, 0); }), loads},
        {"Patch_height_0", patch([](Bytes& p) { setInt16(p, 2, 0); }), loads},
        {"Patch_width_minus1", patch([](Bytes& p) { setInt16(p, 0, -1); }), loads},
        {"Patch_height_minus1", patch([](Bytes& p) { setInt16(p, 2, -1); }), loads},
        {"Patch_width_32767", patch([](Bytes& p) { setInt16(p, 0, 32767); }), loads},
        {"Patch_height_32767", patch([](Bytes& p) { setInt16(p, 2, 32767); }), loads},
        {"Patch_wider_than_its_column_table", patch([](Bytes& p) { setInt16(p, 0, 200); }), loads},
    };
}

std::vector<BrokenArchive> brokenLevelIndices() {
    const SyntheticLevel base = squareRoomLevel();
    std::vector<BrokenArchive> cases;
    auto addCases = [&](const char* lump, const char* record, size_t records, const char* field,
                        int32_t count,
                        const std::function<void(SyntheticLevel&, size_t, int16_t)>& set,
                        const std::function<bool(int32_t)>& valid) {
        for (size_t i = 0; i < records; ++i) {
            for (int32_t value : {-1, count, 32767}) {
                const std::string label = std::string(record) + std::to_string(i) + "_" + field +
                                          "_" + (value == count ? "count" : valueLabel(value));
                const Expected expected =
                    valid(value) ? loadsWithSameFrame
                                 : levelFails(resultBadLevel,
                                              std::string(lump) + " record " + std::to_string(i));
                cases.push_back({label, withLevel([&](SyntheticLevel& level) {
                                     set(level, i, static_cast<int16_t>(value));
                                 }),
                                 expected});
            }
        }
    };
    auto never = [](int32_t) { return false; };
    const auto vertices = static_cast<int32_t>(base.vertices.size());
    const auto sidedefs = static_cast<int32_t>(base.sidedefs.size());
    const auto sectors = static_cast<int32_t>(base.sectors.size());
    const auto linedefs = static_cast<int32_t>(base.linedefs.size());
    const auto segs = static_cast<int32_t>(base.segs.size());

    addCases(
        "LINEDEFS", "Linedef", base.linedefs.size(), "startVertex", vertices,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.linedefs[i].startVertex = v; }, never);
    addCases(
        "LINEDEFS", "Linedef", base.linedefs.size(), "endVertex", vertices,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.linedefs[i].endVertex = v; }, never);
    addCases(
        "LINEDEFS", "Linedef", base.linedefs.size(), "rightSidedef", sidedefs,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.linedefs[i].rightSidedef = v; }, never);
    // A negative left sidedef is the usual mark of a one-sided line.
    addCases(
        "LINEDEFS", "Linedef", base.linedefs.size(), "leftSidedef", sidedefs,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.linedefs[i].leftSidedef = v; },
        [](int32_t v) { return v < 0; });
    addCases(
        "SIDEDEFS", "Sidedef", base.sidedefs.size(), "sector", sectors,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.sidedefs[i].sector = v; }, never);
    addCases(
        "SEGS", "Seg", base.segs.size(), "startVertex", vertices,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.segs[i].startVertex = v; }, never);
    addCases(
        "SEGS", "Seg", base.segs.size(), "endVertex", vertices,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.segs[i].endVertex = v; }, never);
    addCases(
        "SEGS", "Seg", base.segs.size(), "linedef", linedefs,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.segs[i].linedef = v; }, never);
    // A seg on linedef 0xFFFF lies on none: a miniseg, left undrawn.
    for (BrokenArchive& c : cases) {
        if (c.name.starts_with("Seg") && c.name.ends_with("_linedef_minus1")) {
            c.expected = loads;
        }
    }
    addCases(
        "SSECTORS", "Subsector", base.subsectors.size(), "firstSeg", segs,
        [](SyntheticLevel& l, size_t i, int16_t v) { l.subsectors[i].firstSeg = v; }, never);

    // Node children: as node references (-1 is subsector 32767 by its top bit) and as
    // subsector references.
    const auto nodes = static_cast<int32_t>(base.nodes.size());
    const auto subsectors = static_cast<int32_t>(base.subsectors.size());
    const std::pair<const char*, uint32_t> children[] = {
        {"minus1", 0xFFFF},
        {"count", static_cast<uint32_t>(nodes)},
        {"32767", 0x7FFF},
        {"subsector_count", subsectorFlag | static_cast<uint32_t>(subsectors)},
        {"subsector_32767", subsectorFlag | 0x7FFF},
    };
    for (size_t i = 0; i < base.nodes.size(); ++i) {
        for (const auto& [label, value] : children) {
            const uint32_t child = value;
            cases.push_back({"Node" + std::to_string(i) + "_rightChild_" + label,
                             withLevel([&](SyntheticLevel& l) { l.nodes[i].rightChild = child; }),
                             levelFails(resultBadLevel, "NODES record " + std::to_string(i))});
            cases.push_back({"Node" + std::to_string(i) + "_leftChild_" + label,
                             withLevel([&](SyntheticLevel& l) { l.nodes[i].leftChild = child; }),
                             levelFails(resultBadLevel, "NODES record " + std::to_string(i))});
        }
    }
    return cases;
}

std::vector<BrokenArchive> brokenLevelStructure() {
    const Expected badNodes = levelFails(resultBadLevel, "NODES record");
    // A second node above the first, as the root: its right child is node 0.
    auto twoNodes = [](SyntheticLevel& l, uint32_t rootRight, uint32_t rootLeft,
                       uint32_t node0Right, uint32_t node0Left) {
        Node root = l.nodes[0];
        root.rightChild = rootRight;
        root.leftChild = rootLeft;
        l.nodes[0].rightChild = node0Right;
        l.nodes[0].leftChild = node0Left;
        l.nodes.push_back(root);
    };
    const uint32_t sub0 = subsectorFlag | 0;
    const uint32_t sub1 = subsectorFlag | 1;
    auto zeroSizeLevel = [](ArchiveParts& p) {
        for (const std::string& name : SyntheticWad::levelLumpNames) {
            p.levelLumpOverrides[name] = {};
        }
    };
    std::vector<BrokenArchive> cases = {
        {"Nodes_cycle", withLevel([&](SyntheticLevel& l) { twoNodes(l, 0, sub0, 1, sub1); }),
         badNodes},
        {"Nodes_node_reached_twice",
         withLevel([&](SyntheticLevel& l) { twoNodes(l, 0, 0, sub1, sub0); }), badNodes},
        {"Nodes_child_names_itself",
         withLevel([](SyntheticLevel& l) { l.nodes[0].rightChild = 0; }), badNodes},
        {"Nodes_root_child_names_root",
         withLevel([&](SyntheticLevel& l) { twoNodes(l, 1, 0, sub1, sub0); }), badNodes},
        {"Nodes_subsector_reached_twice",
         withLevel([&](SyntheticLevel& l) { l.nodes[0].leftChild = sub1; }), badNodes},
        {"Nodes_node_not_reached",
         withLevel([](SyntheticLevel& l) { l.nodes.push_back(l.nodes[0]); }),
         levelFails(resultBadLevel, "not reached")},
        {"Nodes_empty_with_one_subsector", withLevel([](SyntheticLevel& l) {
             l.nodes.clear();
             l.subsectors = {{6, 0}};
         }),
         loads},
        {"Nodes_empty_without_subsectors", withLevel([](SyntheticLevel& l) {
             l.nodes.clear();
             l.subsectors.clear();
         }),
         levelFails(resultBadLevel, "SSECTORS")},
        {"Nodes_lump_with_a_partial_record", withParts([](ArchiveParts& p) {
             Bytes nodes = recordBytes(p.level.nodes);
             nodes.resize(nodes.size() + 27, 0xFF);
             p.levelLumpOverrides["NODES"] = nodes;
         }),
         loadsWithSameFrame},
        {"Vertices_lump_with_a_partial_record", withParts([](ArchiveParts& p) {
             Bytes vertices = recordBytes(p.level.vertices);
             vertices.push_back(0x7F);
             p.levelLumpOverrides["VERTEXES"] = vertices;
         }),
         loadsWithSameFrame},

        // A subsector without a seg on a linedef is in no sector.
        {"Subsector_segCount_0", withLevel([](SyntheticLevel& l) { l.subsectors[0].segCount = 0; }),
         levelFails(resultBadLevel, "subsector 0 has no seg on a linedef")},
        {"Subsector_segCount_0_at_end_of_segs", withLevel([](SyntheticLevel& l) {
             l.subsectors[1] = {0, 6};
         }),
         levelFails(resultBadLevel, "subsector 1 has no seg on a linedef")},
        {"Subsector_segCount_minus1",
         withLevel([](SyntheticLevel& l) { l.subsectors[0].segCount = -1; }),
         levelFails(resultBadLevel, "SSECTORS record 0")},
        {"Subsector_segCount_32767",
         withLevel([](SyntheticLevel& l) { l.subsectors[0].segCount = 32767; }),
         levelFails(resultBadLevel, "SSECTORS record 0")},
        {"Subsector_reaching_past_segs",
         withLevel([](SyntheticLevel& l) { l.subsectors[1].firstSeg = 4; }),
         levelFails(resultBadLevel, "SSECTORS record 1")},
        {"Subsector_first_32767_count_32767", withLevel([](SyntheticLevel& l) {
             l.subsectors[1] = {32767, 32767};
         }),
         levelFails(resultBadLevel, "SSECTORS record 1")},

        {"Seg_side_2", withLevel([](SyntheticLevel& l) { l.segs[2].side = 2; }),
         levelFails(resultBadLevel, "SEGS record 2")},
        {"Seg_side_minus1", withLevel([](SyntheticLevel& l) { l.segs[2].side = -1; }),
         levelFails(resultBadLevel, "SEGS record 2")},
        {"Seg_side_1_of_a_one_sided_line", withLevel([](SyntheticLevel& l) { l.segs[2].side = 1; }),
         levelFails(resultBadLevel, "SEGS record 2")},

        {"Level_of_zero_size_lumps", withParts(zeroSizeLevel),
         levelFails(resultBadLevel, "SSECTORS")},
        {"Level_without_things",
         withParts([](ArchiveParts& p) { p.levelLumpOverrides["THINGS"] = {}; }), loads},
        {"Level_without_a_player_start", withLevel([](SyntheticLevel& l) { l.things[0].type = 2; }),
         loads},
        {"Level_with_a_partial_thing",
         withParts([](ArchiveParts& p) { p.levelLumpOverrides["THINGS"] = Bytes(9, 0xFF); }),
         loads},

        {"Vertex_at_32767", withLevel([](SyntheticLevel& l) {
             l.vertices[3] = {32767, 32767};
         }),
         loads},
        {"Vertices_32767_away_from_the_viewer", withLevel([](SyntheticLevel& l) {
             l.things[0].x = -32768;
             l.things[0].y = -32768;
         }),
         loads},
        {"Viewer_at_32767_facing_the_room", withLevel([](SyntheticLevel& l) {
             l.things[0].x = 32767;
             l.things[0].y = 32767;
             l.things[0].angle = 225;
         }),
         loads},
        {"Room_spanning_the_whole_map", withLevel([](SyntheticLevel& l) {
             for (Vertex& v : l.vertices) {
                 v.x = v.x == 0 ? -32768 : v.x == 256 ? 32767 : 0;
                 v.y = v.y == 0 ? -32768 : 32767;
             }
             l.nodes[0].x = 0;
             l.nodes[0].y = -32768;
             l.things[0].x = -16384;
             l.things[0].y = 0;
         }),
         loads},
        {"All_vertices_in_one_point", withLevel([](SyntheticLevel& l) {
             for (Vertex& v : l.vertices) {
                 v = {64, 128};
             }
         }),
         loads},
        {"Viewer_on_a_vertex", withLevel([](SyntheticLevel& l) {
             l.things[0].x = 0;
             l.things[0].y = 0;
         }),
         loads},
        {"Viewer_on_the_partition_line", withLevel([](SyntheticLevel& l) {
             l.things[0].x = 128;
             l.things[0].y = 128;
         }),
         loads},
        {"Extreme_heights_and_offsets", withLevel([](SyntheticLevel& l) {
             l.sectors[0].floorHeight = -32768;
             l.sectors[0].ceilingHeight = 32767;
             for (Sidedef& side : l.sidedefs) {
                 side.xOffset = 32767;
                 side.yOffset = -32768;
             }
             for (Seg& seg : l.segs) {
                 seg.offset = -32768;
                 seg.angle = -32768;
             }
         }),
         loads},
        {"Floor_above_ceiling", withLevel([](SyntheticLevel& l) {
             l.sectors[0].floorHeight = 200;
             l.sectors[0].ceilingHeight = -200;
         }),
         loads},
        {"Two_sided_line_with_extreme_step", withLevel([](SyntheticLevel& l) {
             Sector other = l.sectors[0];
             other.floorHeight = 32767;
             other.ceilingHeight = -32768;
             l.sectors.push_back(other);
             l.sidedefs.push_back(makeSidedef("WALL", 1));
             l.linedefs[0].leftSidedef = static_cast<int16_t>(l.sidedefs.size() - 1);
         }),
         loads},
    };
    for (const char* lump : requiredLevelLumps) {
        SyntheticWad wad;
        addGlobals(wad, ArchiveParts{});
        wad.addLevel("E1M1", squareRoomLevel(), {lump});
        cases.push_back({std::string("Level_missing_") + lump, wad.bytes(),
                         levelFails(resultBadLevel, std::string(lump) + " lump missing")});
    }
    {
        // The level lumps come only after ten other entries: not part of the level.
        SyntheticWad wad;
        addGlobals(wad, ArchiveParts{});
        wad.addMarker("E1M1");
        for (int i = 0; i < 10; ++i) {
            wad.addLump("FILLER" + std::to_string(i), Bytes(4, 0));
        }
        wad.addLevel("E1M2", squareRoomLevel());
        cases.push_back({"Level_lumps_beyond_ten_entries", wad.bytes(),
                         levelFails(resultBadLevel, "lump missing")});
    }
    return cases;
}

std::vector<BrokenArchive> excessiveWork() {
    // TEXTURE1 whose first texture is WALL and whose other offsets all name one 1 x 1
    // entry with 32767 placements of a patch that is not in the archive: a quarter of a
    // megabyte that asks for 650 million placements.
    constexpr int32_t sharedTextures = 20000;
    const Bytes wall = textureLump({{"WALL", 64, 128, {{0, 0, 0}}}});
    Bytes shared;
    appendName(shared, "SHARED");
    appendInt32(shared, 0);
    appendInt16(shared, 1);
    appendInt16(shared, 1);
    appendInt32(shared, 0);
    appendInt16(shared, 32767);
    for (int p = 0; p < 32767; ++p) {
        for (int32_t field : {0, 0, 1, 1, 0}) {  // x, y, patch 1 ("MISSING"), two unused
            appendInt16(shared, field);
        }
    }
    Bytes texture1;
    const int32_t count = 1 + sharedTextures;
    const int32_t wallEntry = 4 + 4 * count;
    const int32_t sharedEntry = wallEntry + static_cast<int32_t>(wall.size()) - 8;
    appendInt32(texture1, count);
    appendInt32(texture1, wallEntry);
    for (int32_t t = 0; t < sharedTextures; ++t) {
        appendInt32(texture1, sharedEntry);
    }
    texture1.insert(texture1.end(), wall.begin() + 8, wall.end());
    texture1.insert(texture1.end(), shared.begin(), shared.end());

    // A chain of nodes whose subsectors all name the same run of segs: every frame would
    // visit subsectors x segs segs.
    constexpr int16_t chain = 300;
    auto sharedSegRuns = [&](SyntheticLevel& l) {
        const Seg seg = l.segs[0];
        l.segs.assign(chain, seg);
        l.subsectors.assign(chain + 1, Subsector{chain, 0});
        Node node = l.nodes[0];
        l.nodes.clear();
        for (int16_t i = 0; i < chain; ++i) {
            node.rightChild = i > 0 ? static_cast<uint16_t>(i - 1) : subsectorFlag;
            node.leftChild = static_cast<uint16_t>(subsectorFlag | (i + 1));
            l.nodes.push_back(node);
        }
    };
    return {
        {"TEXTURE1_entries_sharing_32767_placements", withParts([&](ArchiveParts& p) {
             p.pnames = pnamesLump({"WALLPAT", "MISSING"});
             p.texture1 = texture1;
         }),
         loadsWithSameFrame},
        {"Subsectors_sharing_one_run_of_segs", withLevel(sharedSegRuns),
         levelFails(resultBadLevel, "SSECTORS")},
    };
}

}  // namespace brindle::test
