// StandardStreams on Windows: our own streams over the standard handles
// (app/terminal/output_handle_windows.h, which also redraws the live line on
// a console); the console's width from its screen buffer.
#include <windows.h>

#include <ostream>

#include "app/terminal/output_handle_windows.h"
#include "app/terminal/standard_streams.h"

namespace ld {

struct StandardStreams::Platform {
    OutputHandleBuffer outBuffer{GetStdHandle(STD_OUTPUT_HANDLE)};
    OutputHandleBuffer errorBuffer{GetStdHandle(STD_ERROR_HANDLE)};
    std::ostream out{&outBuffer};
    std::ostream errors{&errorBuffer};

    Platform() { errors.setf(std::ios::unitbuf); }
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    ~Platform() {
        out.flush();
        errors.flush();
    }
};

StandardStreams::StandardStreams() : platform_(std::make_unique<Platform>()) {}

StandardStreams::~StandardStreams() = default;

std::ostream& StandardStreams::out() {
    return platform_->out;
}

std::ostream& StandardStreams::errors() {
    return platform_->errors;
}

bool StandardStreams::outputIsTerminal() const {
    return platform_->outBuffer.isConsole();
}

int StandardStreams::outputColumns() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (platform_->outBuffer.isConsole() &&
        GetConsoleScreenBufferInfo(platform_->outBuffer.handle(), &info) != FALSE) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) {
            return columns;
        }
    }
    return columnsFromEnvironment();
}

bool StandardStreams::outputClosed() const {
    return platform_->outBuffer.readerGone();
}

}  // namespace ld
