// Replays the saved fuzz inputs of the text targets (seeds and every input that
// once broke a rule) through the same entries the fuzzers run.
#include <gtest/gtest.h>

#include "fuzz/replay.h"

namespace ld::fuzz {
namespace {

TEST(FuzzReplay, TextOps) {
    EXPECT_GT(replaySaved(LD_FUZZ_FOLDER, "text_ops", fuzzTextOps), 0u);
}
TEST(FuzzReplay, Codepage) {
    EXPECT_GT(replaySaved(LD_FUZZ_FOLDER, "codepage", fuzzCodepage), 0u);
}

}  // namespace
}  // namespace ld::fuzz
