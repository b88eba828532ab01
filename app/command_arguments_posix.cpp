// commandArguments on POSIX: argv as given.
#include "app/command_arguments.h"

namespace ld {

std::vector<std::string> commandArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return arguments;
}

}  // namespace ld
