// demo-check: checks what `make demo` left behind against the sample platform.
//
//   demo-check <course id> <download folder> <picture folder> [picture name...]
//
// Prints one line per problem on standard error and exits 1, or one summary
// line on standard output and exits 0. Wrong arguments: exit code 2.
#include <iostream>
#include <string>

#include "tools/demo-check/demo_check.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: demo-check <course id> <download folder> <picture folder> "
                     "[picture name...]\n";
        return 2;
    }
    ld::sample::DemoResult result{argv[1], argv[2], argv[3], {}};
    for (int i = 4; i < argc; ++i) {
        result.pictureNames.emplace_back(argv[i]);
    }
    const auto problems = ld::sample::demoProblems(result);
    for (const std::string& problem : problems) {
        std::cerr << "demo-check: " << problem << '\n';
    }
    if (!problems.empty()) {
        std::cerr << "demo-check: the demo's result is wrong (" << problems.size()
                  << " problem(s))\n";
        return 1;
    }
    std::cout << "demo-check: every lecture of course " << result.courseId
              << " is complete and byte-identical to the platform's video; "
              << result.pictureNames.size() << " pictures written\n";
    return 0;
}
