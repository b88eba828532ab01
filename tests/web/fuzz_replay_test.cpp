// Replays the saved fuzz inputs of the web targets (seeds and every input that
// once broke a rule) through the same entries the fuzzers run.
#include <gtest/gtest.h>

#include "fuzz/replay.h"

namespace ld::fuzz {
namespace {

TEST(FuzzReplay, HttpHeaders) {
    EXPECT_GT(replaySaved(LD_FUZZ_FOLDER, "http_headers", fuzzHttpHeaders), 0u);
}
TEST(FuzzReplay, Regex) {
    EXPECT_GT(replaySaved(LD_FUZZ_FOLDER, "regex", fuzzRegex), 0u);
}

}  // namespace
}  // namespace ld::fuzz
