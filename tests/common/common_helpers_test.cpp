// The helpers the web layer, the queue and the engine share: header blocks,
// fields and ASCII case, where a slip would drop or mangle a header line; and
// which addresses name the same resource, where a slip would resume or keep
// the wrong file.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/ascii.h"
#include "common/header_lines.h"
#include "common/resource_address.h"

namespace ld {
namespace {

std::vector<std::string> linesOf(std::string_view block) {
    std::vector<std::string> lines;
    forEachHeaderLine(block, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(HeaderLines, BlocksSplitOnCrLfOnlyAndKeepTheirLastLine) {
    EXPECT_EQ(linesOf("A: 1\r\nB: 2"), (std::vector<std::string>{"A: 1", "B: 2"}));
    EXPECT_EQ(linesOf("A: 1\r\nB: 2\r\n"), (std::vector<std::string>{"A: 1", "B: 2"}));
    // A lone LF or CR is part of its line, not a line end; empty lines are kept.
    EXPECT_EQ(linesOf("A: 1\nB\r\n\r\nC"), (std::vector<std::string>{"A: 1\nB", "", "C"}));
    EXPECT_TRUE(linesOf("").empty());
}

TEST(HeaderLines, FieldsSplitAtTheFirstColonAndAreTrimmed) {
    const HeaderField range = splitHeaderField("  Content-Range :\tbytes 0-9/10 \r\n");
    EXPECT_TRUE(range.hasColon);
    EXPECT_EQ(range.name, "Content-Range");
    EXPECT_EQ(range.value, "bytes 0-9/10");

    const HeaderField location = splitHeaderField("Location: http://h:8080/x");
    EXPECT_EQ(location.value, "http://h:8080/x");  // later colons belong to the value

    const HeaderField bare = splitHeaderField(" HTTP/1.1 200 OK ");
    EXPECT_FALSE(bare.hasColon);
    EXPECT_EQ(bare.name, "HTTP/1.1 200 OK");
    EXPECT_TRUE(bare.value.empty());

    EXPECT_TRUE(splitHeaderField("X-Empty:   ").value.empty());
}

TEST(Ascii, CaseFoldsOnlyLatinLettersAndLeavesOtherBytesAlone) {
    EXPECT_TRUE(equalsIgnoreCase("Content-RANGE", "content-range"));
    EXPECT_FALSE(equalsIgnoreCase("ETag", "ETags"));
    // Bytes of multi-byte characters are never folded into letters.
    EXPECT_FALSE(equalsIgnoreCase("\xC3\x81", "\xC3\xA1"));
    EXPECT_EQ(asciiLower('\xC1'), '\xC1');
    EXPECT_TRUE(startsWithIgnoreCase("HTTPS://host", "https://"));
    EXPECT_FALSE(startsWithIgnoreCase("http", "https://"));
    EXPECT_EQ(trimBlanks(" \t\r\n"), "");
    EXPECT_EQ(trimBlanks("\tv a\r\n"), "v a");
}

TEST(ResourceAddress, TheQueryAndFragmentDoNotCountNorTheCaseOfSchemeAndHost) {
    // A play address resolved again: another key and time stamp.
    EXPECT_TRUE(sameResourceAddress("http://m.example/flvs/A.flv?t=1&key=9d2e&amp;tpl=10",
                                    "http://m.example/flvs/A.flv?t=2&key=04c1&amp;tpl=10"));
    EXPECT_TRUE(
        sameResourceAddress("HTTP://M.Example:8080/a.flv#x", "http://m.example:8080/a.flv"));
    EXPECT_TRUE(sameResourceAddress("http://m.example", "http://m.example/?k=1"));
    EXPECT_FALSE(sameResourceAddress("http://m.example/A.flv?k=1", "http://m.example/a.flv?k=1"));
    EXPECT_FALSE(sameResourceAddress("http://m.example/a.flv", "https://m.example/a.flv"));
    EXPECT_FALSE(sameResourceAddress("http://m.example:81/a.flv", "http://m.example/a.flv"));
    EXPECT_FALSE(sameResourceAddress("http://m.example/a.flv", "http://n.example/a.flv"));
    EXPECT_FALSE(sameResourceAddress("", "http://m.example/a.flv"));
}

}  // namespace
}  // namespace ld
