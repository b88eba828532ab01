// The folder `download` saves into, made ready before anything is fetched: it
// is created when missing (with the folders above it), and a file is created
// and removed in it to prove it can be written. So a folder that cannot be
// used ends the command at once with the reason, instead of failing every
// lecture one after another.
//
// Blocking file calls; any thread.
#pragma once

#include <string>

namespace ld {

// Empty when the folder is ready; otherwise why it cannot be used, in words
// for the user (UTF-8), naming the folder.
std::string prepareOutputFolder(const std::string& folderUtf8);

}  // namespace ld
