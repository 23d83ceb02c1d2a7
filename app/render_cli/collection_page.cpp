// The collection's index.html, and the rows read back from the atlases present in a folder
// (for a collection drawn elsewhere, one `brindle-render atlas` per archive).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/render_cli/collection.h"
#include "render/overview/overview_svg.h"

namespace brindle {

namespace {

constexpr const char* pageStyle =
    R"(body { font-family: sans-serif; background: #161616; color: #ddd; margin: 1em 2em }
a { color: #9cf }
table { border-collapse: collapse }
th, td { border-top: 1px solid #444; padding: 0.5em; text-align: left; vertical-align: top }
td.maps { text-align: right }
img { display: block; width: 320px; height: 200px }
.error { color: #f77 }
)";

// An atlas page is read whole; no page Brindle writes comes near this.
constexpr uintmax_t largestAtlasPage = uintmax_t{64} << 20;

// A path inside the collection as a link: every byte but the unreserved ones and '/'
// percent-encoded, so that any file name makes a working relative address.
std::string linkTo(const std::string& path) {
    std::string link;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
            c == '/') {
            link += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            link += escaped;
        }
    }
    return link;
}

std::string rowHtml(const CollectionRow& row) {
    std::string html = "<tr><th>";
    if (!row.error.empty()) {
        html += escapeXml(row.archiveFile) + "</th><td colspan=\"2\" class=\"error\">" +
                escapeXml(row.error) + "</td></tr>\n";
        return html;
    }
    const std::string atlas = linkTo(row.folder + "/index.html");
    html += "<a href=\"" + atlas + "\">" + escapeXml(row.archiveFile) + "</a></th>";
    html += "<td class=\"maps\">" + std::to_string(row.maps);
    if (row.failedMaps > 0) {
        html += " <span class=\"error\">(" + std::to_string(row.failedMaps) +
                " could not be drawn)</span>";
    }
    html += "</td><td>";
    if (!row.thumbnail.empty()) {
        html += "<a href=\"" + atlas + "\"><img src=\"" + linkTo(row.folder + "/" + row.thumbnail) +
                "\" alt=\"" + escapeXml("First overview of " + row.archiveFile) + "\"></a>";
    }
    return html + "</td></tr>\n";
}

std::string unescapeXml(const std::string& text) {
    static const std::pair<std::string, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string plain;
    for (size_t at = 0; at < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : entities) {
            if (text.compare(at, entity.size(), entity) == 0) {
                plain += c;
                at += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            plain += text[at++];
        }
    }
    return plain;
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The text between `before` and the next `after`, or empty.
std::string between(const std::string& text, const std::string& before, const std::string& after) {
    const size_t start = text.find(before);
    if (start == std::string::npos) {
        return {};
    }
    const size_t end = text.find(after, start + before.size());
    return end == std::string::npos
               ? std::string()
               : text.substr(start + before.size(), end - start - before.size());
}

bool readPage(const std::filesystem::path& path, std::string& page) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > largestAtlasPage) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    page.resize(static_cast<size_t>(size));
    const bool whole = std::fread(page.data(), 1, page.size(), file) == page.size();
    std::fclose(file);
    return whole;
}

// What the atlas page says: "Atlas of IWAD + PWAD" and one row per map, the failed ones marked
// as errors; the first picture is the first drawn map's overview.
CollectionRow rowFromAtlasPage(const std::string& folder, const std::string& page,
                               std::string& iwadName) {
    CollectionRow row;
    row.folder = folder;
    const std::string title = unescapeXml(between(page, "<title>Atlas of ", "</title>"));
    const size_t plus = title.find(" + ");
    row.archiveFile = plus == std::string::npos ? folder : title.substr(plus + 3);
    if (iwadName.empty() && plus != std::string::npos) {
        iwadName = title.substr(0, plus);
    }
    row.maps = occurrences(page, "<tr id=\"");
    row.failedMaps = occurrences(page, "<td colspan=\"3\" class=\"error\">");
    row.thumbnail = unescapeXml(between(page, "<img src=\"", "\""));
    return row;
}

}  // namespace

bool readCollectionRows(const std::string& folder, std::vector<CollectionRow>& rows,
                        std::string& iwadName, std::string& error) {
    std::vector<std::string> atlases;
    std::error_code listError;
    for (std::filesystem::directory_iterator entry(folder, listError), end;
         !listError && entry != end; entry.increment(listError)) {
        if (entry->is_directory() &&
            std::filesystem::is_regular_file(entry->path() / "index.html")) {
            atlases.push_back(entry->path().filename().string());
        }
    }
    if (listError) {
        error = "cannot read the folder '" + folder + "': " + listError.message();
        return false;
    }
    std::sort(atlases.begin(), atlases.end());
    for (const std::string& atlas : atlases) {
        std::string page;
        if (!readPage(std::filesystem::path(folder) / atlas / "index.html", page)) {
            CollectionRow unreadable;
            unreadable.folder = unreadable.archiveFile = atlas;
            unreadable.error = "cannot read " + atlas + "/index.html";
            rows.push_back(unreadable);
            continue;
        }
        rows.push_back(rowFromAtlasPage(atlas, page, iwadName));
    }
    return true;
}

std::string collectionPage(const std::string& iwadName, const std::vector<CollectionRow>& rows) {
    size_t failed = 0;
    size_t maps = 0;
    for (const CollectionRow& row : rows) {
        failed += row.error.empty() ? 0 : 1;
        maps += row.maps;
    }
    const std::string title = "Levels over " + escapeXml(iwadName);
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>" + title + "</title>\n<style>\n" + pageStyle + "</style>\n</head>\n<body>\n";
    page += "<h1>" + title + "</h1>\n<p>" + std::to_string(rows.size()) + " archives, " +
            std::to_string(maps) + " maps";
    if (failed > 0) {
        page += "; " + std::to_string(failed) + " of them could not be opened";
    }
    page += ".</p>\n<table>\n<tr><th>Archive</th><th>Maps</th><th>First overview</th></tr>\n";
    for (const CollectionRow& row : rows) {
        page += rowHtml(row);
    }
    return page + "</table>\n</body>\n</html>\n";
}

}  // namespace brindle
