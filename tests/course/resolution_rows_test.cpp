// The resolution's picture of the parse list, driven by hand on the in-memory
// window: which row each request takes, and where its answer goes after rows
// were deleted, whatever the order the answers come back in.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "course/resolution_rows.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld {
namespace {

using Claim = ResolutionRows::Claim;
using Settled = ResolutionRows::Settled;

class ResolutionRowsTest : public ::testing::Test {
  protected:
    // One row per identifier, with an address where one is given.
    void list(const std::vector<std::pair<std::string, std::string>>& rows) {
        window.deleteAllRows(kParseList);
        for (const auto& [videoId, address] : rows) {
            const int row = window.appendRow(kParseList);
            window.setCellText(kParseList, row, kParseVideoIdColumn, Text(videoId));
            window.setCellText(kParseList, row, kParseAddressColumn, Text(address));
        }
        picture.load(window);
    }
    Claim claim() {
        std::optional<Claim> next = picture.claimNext(window);
        EXPECT_TRUE(next.has_value());
        return next.value_or(Claim{});
    }
    // The rows as "id=address".
    std::vector<std::string> shown() {
        std::vector<std::string> rows;
        for (const auto& row : window.rows(kParseList)) {
            rows.push_back(std::string(row[kParseVideoIdColumn].bytes()) + "=" +
                           std::string(row[kParseAddressColumn].bytes()));
        }
        return rows;
    }
    // What the play-info service would answer for the claim.
    static Text answerFor(const Claim& claim) {
        return Text("http://v/" + std::string(claim.videoId.bytes()));
    }

    MemoryWindow window;
    ResolutionRows picture;
};

TEST_F(ResolutionRowsTest, RowsAreTakenFromTheTopOnceEachSkippingSettledOnes) {
    list({{"A", ""}, {"B", "http://v/B"}, {"C", ""}, {"A", ""}});
    EXPECT_EQ(picture.waiting(), 3);
    const Claim first = claim();
    const Claim second = claim();
    const Claim third = claim();
    EXPECT_EQ(first.videoId, Text("A"));
    EXPECT_EQ(second.videoId, Text("C"));
    EXPECT_EQ(third.videoId, Text("A"));  // the same lecture twice is two rows to ask about
    EXPECT_FALSE(picture.claimNext(window).has_value());
    EXPECT_EQ(picture.waiting(), 0);

    // Answers in reverse order land in their own rows; a duplicate identifier
    // gets its own answer in its own row.
    EXPECT_EQ(picture.settle(window, third, Text("third")), Settled::Written);
    EXPECT_EQ(picture.settle(window, second, answerFor(second)), Settled::Written);
    EXPECT_EQ(picture.settle(window, first, Text("first")), Settled::Written);
    EXPECT_EQ(shown(),
              (std::vector<std::string>{"A=first", "B=http://v/B", "C=http://v/C", "A=third"}));
}

TEST_F(ResolutionRowsTest, DeletedRowsAreNeitherTakenNorWrittenAndTheOthersAreFoundAgain) {
    list({{"A", ""}, {"B", ""}, {"C", ""}, {"D", ""}, {"E", ""}, {"F", ""}});
    const Claim a = claim();
    const Claim b = claim();
    const Claim c = claim();
    // A is answered; then B (out) and E (waiting) go, and so does A, above C.
    EXPECT_EQ(picture.settle(window, a, answerFor(a)), Settled::Written);
    window.deleteRow(kParseList, 4);
    window.deleteRow(kParseList, 1);
    window.deleteRow(kParseList, 0);
    EXPECT_EQ(picture.settle(window, b, answerFor(b)), Settled::RowGone);
    EXPECT_EQ(picture.settle(window, c, answerFor(c)), Settled::Written);
    const Claim d = claim();
    const Claim f = claim();
    EXPECT_EQ(d.videoId, Text("D"));
    EXPECT_EQ(f.videoId, Text("F"));
    EXPECT_FALSE(picture.claimNext(window).has_value());
    EXPECT_EQ(picture.settle(window, f, answerFor(f)), Settled::Written);
    EXPECT_EQ(picture.settle(window, d, answerFor(d)), Settled::Written);
    EXPECT_EQ(shown(), (std::vector<std::string>{"C=http://v/C", "D=http://v/D", "F=http://v/F"}));
}

TEST_F(ResolutionRowsTest, ARowDeletedAndAnotherOfTheSameLectureLeftKeepsItsOwnAnswer) {
    // Two rows of lecture X: the first is out, the second waits behind Y.
    list({{"X", ""}, {"Y", ""}, {"X", ""}});
    const Claim first = claim();
    const Claim y = claim();
    window.deleteRow(kParseList, 1);  // Y goes while it is asked about
    EXPECT_EQ(picture.settle(window, y, answerFor(y)), Settled::RowGone);
    EXPECT_EQ(picture.settle(window, first, Text("x1")), Settled::Written);
    const Claim second = claim();
    EXPECT_EQ(picture.settle(window, second, Text("x2")), Settled::Written);
    EXPECT_EQ(shown(), (std::vector<std::string>{"X=x1", "X=x2"}));
}

TEST_F(ResolutionRowsTest, AClearedListDropsEveryAnswer) {
    list({{"A", ""}, {"B", ""}, {"C", ""}});
    const Claim a = claim();
    const Claim b = claim();
    window.deleteAllRows(kParseList);
    EXPECT_EQ(picture.settle(window, b, answerFor(b)), Settled::RowGone);
    EXPECT_EQ(picture.settle(window, a, answerFor(a)), Settled::RowGone);
    EXPECT_FALSE(picture.claimNext(window).has_value());
    EXPECT_TRUE(shown().empty());
}

TEST_F(ResolutionRowsTest, AListItCannotExplainIsReadAnewAndOldClaimsAreDropped) {
    list({{"A", ""}, {"B", ""}});
    const Claim a = claim();
    // Other rows than the ones it began with, the same number of them.
    window.deleteAllRows(kParseList);
    for (const char* videoId : {"P", "A"}) {
        const int row = window.appendRow(kParseList);
        window.setCellText(kParseList, row, kParseVideoIdColumn, Text(videoId));
    }
    EXPECT_EQ(picture.settle(window, a, answerFor(a)), Settled::RowGone);
    const Claim p = claim();
    const Claim again = claim();
    EXPECT_EQ(p.videoId, Text("P"));
    EXPECT_EQ(again.videoId, Text("A"));
    EXPECT_EQ(picture.settle(window, again, answerFor(again)), Settled::Written);
    EXPECT_EQ(picture.settle(window, p, answerFor(p)), Settled::Written);
    EXPECT_EQ(shown(), (std::vector<std::string>{"P=http://v/P", "A=http://v/A"}));
}

}  // namespace
}  // namespace ld
