// The atlas's index.html: one table row per map with its two pictures, its record counts and
// its archive file, or its error. Plain HTML and CSS; nothing is fetched from elsewhere.
#include <string>

#include "app/render_cli/atlas.h"
#include "render/overview/overview_svg.h"

namespace brindle {

namespace {

constexpr const char* pageStyle =
    R"(body { font-family: sans-serif; background: #161616; color: #ddd; margin: 1em 2em }
table { border-collapse: collapse }
th, td { border-top: 1px solid #444; padding: 0.5em; text-align: left; vertical-align: top }
img { display: block; width: 640px; height: 400px }
dl { display: grid; grid-template-columns: auto auto; gap: 0 1em; margin: 0 }
dd { margin: 0; text-align: right }
.error { color: #f77 }
)";

std::string pictureCell(const std::string& file, const std::string& description) {
    const std::string name = escapeXml(file);
    return "<td><a href=\"" + name + "\"><img src=\"" + name + "\" alt=\"" +
           escapeXml(description) + "\"></a></td>";
}

std::string entryRow(const AtlasEntry& entry) {
    const std::string map = escapeXml(entry.map);
    std::string row = "<tr id=\"" + map + "\"><th>" + map + "</th>";
    if (!entry.error.empty()) {
        row += "<td colspan=\"3\" class=\"error\">" + escapeXml(entry.error) + "</td>";
    } else {
        row += pictureCell(overviewFileName(entry.map), "Overview of " + entry.map);
        row += pictureCell(startFileName(entry.map), entry.map + " from the player-one start");
        row += "<td><dl>";
        for (const auto& [lump, count] : entry.counts) {
            row += std::string("<dt>") + lump + "</dt><dd>" + std::to_string(count) + "</dd>";
        }
        row += "</dl></td>";
    }
    return row + "<td>" + escapeXml(entry.archiveFile) + "</td></tr>\n";
}

}  // namespace

std::string atlasPage(const std::string& archiveName, const std::vector<AtlasEntry>& entries) {
    size_t failed = 0;
    for (const AtlasEntry& entry : entries) {
        failed += entry.error.empty() ? 0 : 1;
    }
    const std::string title = "Atlas of " + escapeXml(archiveName);
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>" + title + "</title>\n<style>\n" + pageStyle + "</style>\n</head>\n<body>\n";
    page += "<h1>" + title + "</h1>\n<p>" + std::to_string(entries.size()) + " maps";
    if (failed > 0) {
        page += ", " + std::to_string(failed) + " of them could not be drawn";
    }
    page += ".</p>\n<table>\n";
    page +=
        "<tr><th>Map</th><th>Overview</th><th>From the start</th><th>Records</th>"
        "<th>Archive</th></tr>\n";
    for (const AtlasEntry& entry : entries) {
        page += entryRow(entry);
    }
    return page + "</table>\n</body>\n</html>\n";
}

}  // namespace brindle
