// What a finished demo must have left: every resolvable lecture of a sample
// course downloaded under the name the program gives it, complete and
// byte-identical to what the sample platform serves, nothing else in the
// download folder (no partial or resume files), and the stage pictures as
// PNG files.
//
// Reads files only; safe on any thread. Problems are returned, not thrown:
// an unreadable folder or file is one more problem.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ld::sample {

struct DemoResult {
    std::string courseId;
    std::filesystem::path downloads;  // the folder the program saved into
    std::filesystem::path pictures;   // the folder of the stage pictures
    std::vector<std::string> pictureNames;
};

// Every problem found, one line (UTF-8) each; empty when the result is right.
std::vector<std::string> demoProblems(const DemoResult& result);

// The name (UTF-8) the program saves a lecture of this title under.
std::string savedFileName(const std::string& title);

}  // namespace ld::sample
