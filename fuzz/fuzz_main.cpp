// libFuzzer's entry point for one target; LD_FUZZ_ENTRY names the entry.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ld::fuzz::LD_FUZZ_ENTRY(ld::fuzz::Bytes(data, size));
    return 0;
}
