#include "app/terminal/file_mark.h"

#include <charconv>

namespace ld {
namespace {

constexpr std::string_view kFirstLine = "lecture-downloader file 1";

// Values come from a server's headers: a line break would end the line early.
std::string oneLine(std::string_view value) {
    std::string line(value);
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

}  // namespace

std::string resourceOf(std::string_view address) {
    return std::string(address.substr(0, address.find_first_of("?#")));
}

std::string markText(const FileMark& mark) {
    std::string text(kFirstLine);
    text += "\nresource " + oneLine(mark.resource);
    text += "\nlength " + std::to_string(mark.length);
    text += "\netag " + oneLine(mark.etag);
    text += "\nlast-modified " + oneLine(mark.lastModified);
    text += '\n';
    return text;
}

std::optional<FileMark> parseMark(std::string_view text) {
    if (!text.starts_with(kFirstLine)) {
        return std::nullopt;
    }
    FileMark mark;
    bool haveLength = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const auto blank = line.find(' ');
        const std::string_view key = line.substr(0, blank);
        const std::string_view value =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        if (key == "resource") {
            mark.resource = std::string(value);
        } else if (key == "etag") {
            mark.etag = std::string(value);
        } else if (key == "last-modified") {
            mark.lastModified = std::string(value);
        } else if (key == "length") {
            const auto [at, error] =
                std::from_chars(value.data(), value.data() + value.size(), mark.length);
            haveLength = error == std::errc() && at == value.data() + value.size();
        }
    }
    if (!haveLength || mark.resource.empty()) {
        return std::nullopt;
    }
    return mark;
}

}  // namespace ld
