// The folder `download` saves into, made ready before anything is fetched: it
// is created when missing (with the folders above it), and a file is created
// and removed in it to prove it can be written. So a folder that cannot be
// used ends the command at once with the reason, instead of failing every
// lecture one after another. A command that ends before saving anything (the
// catalogue could not be fetched, --items names a lecture the course lacks)
// removes again the folders it created, when they are still empty.
//
// Blocking file calls; any thread.
#pragma once

#include <filesystem>
#include <string>

namespace ld {

struct PreparedOutputFolder {
    // Empty when the folder is ready; otherwise why it cannot be used, in
    // words for the user (UTF-8), naming the folder.
    std::string problem;
    std::filesystem::path folder;
    // The outermost folder this call created; empty when the folder was there.
    std::filesystem::path outermostCreated;
};

PreparedOutputFolder prepareOutputFolder(const std::string& folderUtf8);

// Removes the folders prepareOutputFolder created, innermost first, as long as
// each is empty (a file anybody put there keeps it and those above it).
void removeUnusedOutputFolders(const PreparedOutputFolder& prepared);

}  // namespace ld
