// Replays the saved fuzz inputs of the file-name target (seeds and every input
// that once broke a rule) through the same entry the fuzzer runs.
#include <gtest/gtest.h>

#include "fuzz/replay.h"

namespace ld::fuzz {
namespace {

TEST(FuzzReplay, FileName) {
    EXPECT_GT(replaySaved(LD_FUZZ_FOLDER, "file_name", fuzzFileName), 0u);
}

}  // namespace
}  // namespace ld::fuzz
