// Replays saved fuzz inputs through their entry: the seed corpus of a target
// and every input that once made it fail. Used by the GoogleTest suites.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_input.h"

namespace ld::fuzz {

// The files of fuzz/corpus/<target> and fuzz/regressions/<target> under the
// fuzz folder, in name order (either folder may be missing).
inline std::vector<std::filesystem::path> savedInputs(const std::filesystem::path& fuzzFolder,
                                                      const char* target) {
    std::vector<std::filesystem::path> files;
    for (const char* kind : {"corpus", "regressions"}) {
        const std::filesystem::path folder = fuzzFolder / kind / target;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

inline std::vector<std::uint8_t> readInput(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs every saved input of the target through its entry and returns how many
// there were. A broken rule aborts, naming the input.
inline std::size_t replaySaved(const std::filesystem::path& fuzzFolder, const char* target,
                               void (*entry)(Bytes)) {
    const auto files = savedInputs(fuzzFolder, target);
    for (const auto& file : files) {
        const std::string name = file.string();
        currentInputName() = name.c_str();
        const std::vector<std::uint8_t> input = readInput(file);
        entry(Bytes(input.data(), input.size()));
    }
    currentInputName() = nullptr;
    return files.size();
}

}  // namespace ld::fuzz
