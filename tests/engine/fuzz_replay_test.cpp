// Replays the saved fuzz inputs of the engine target (seeds and every input
// that once broke a rule) through the same entry the fuzzer runs.
#include <gtest/gtest.h>

#include "fuzz/replay.h"

namespace ld::fuzz {
namespace {

TEST(FuzzReplay, CreateRecord) {
    EXPECT_GT(replaySaved(LD_FUZZ_FOLDER, "create_record", fuzzCreateRecord), 0u);
}

}  // namespace
}  // namespace ld::fuzz
