// StandardStreams on POSIX: std::cout and std::cerr, the terminal asked with
// isatty and TIOCGWINSZ, a closed reader seen with poll.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

#include "app/terminal/standard_streams.h"

namespace ld {

struct StandardStreams::Platform {};

StandardStreams::StandardStreams() : platform_(std::make_unique<Platform>()) {}

StandardStreams::~StandardStreams() {
    std::cout.flush();
    std::cerr.flush();
}

std::ostream& StandardStreams::out() {
    return std::cout;
}

std::ostream& StandardStreams::errors() {
    return std::cerr;
}

bool StandardStreams::outputIsTerminal() const {
    return isatty(STDOUT_FILENO) != 0;
}

int StandardStreams::outputColumns() const {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return columnsFromEnvironment();
}

// A pipe reports an error when its reader has gone, a socket a hang-up; a file
// or a terminal neither.
bool StandardStreams::outputClosed() const {
    pollfd output{STDOUT_FILENO, 0, 0};
    return poll(&output, 1, 0) > 0 && (output.revents & (POLLERR | POLLHUP)) != 0;
}

}  // namespace ld
