// Replays the saved fuzz inputs of the record target (seeds and every input that
// once broke a rule) through the same entries the fuzzers run.
#include <gtest/gtest.h>

#include "fuzz/replay.h"

namespace ld::fuzz {
namespace {

TEST(FuzzReplay, NamedFieldRecord) {
    EXPECT_GT(replaySaved(LD_FUZZ_FOLDER, "named_field_record", fuzzNamedFieldRecord), 0u);
}

}  // namespace
}  // namespace ld::fuzz
