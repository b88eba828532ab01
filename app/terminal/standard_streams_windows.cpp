// StandardStreams on Windows: our own streams over the standard handles
// (app/terminal/output_handle_windows.h); the console's width from its screen
// buffer; the live line's control sequences through the console's virtual
// terminal mode (Windows 10 and later), without which the output is plain lines.
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
    DWORD consoleMode = 0;
    bool modeChanged = false;

    Platform() {
        errors.setf(std::ios::unitbuf);
        if (outBuffer.isConsole() && GetConsoleMode(outBuffer.handle(), &consoleMode) != FALSE) {
            modeChanged =
                SetConsoleMode(outBuffer.handle(), consoleMode | ENABLE_PROCESSED_OUTPUT |
                                                       ENABLE_VIRTUAL_TERMINAL_PROCESSING) != FALSE;
        }
    }
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    ~Platform() {
        out.flush();
        errors.flush();
        if (modeChanged) {
            SetConsoleMode(outBuffer.handle(), consoleMode);
        }
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
    return platform_->outBuffer.isConsole() && platform_->modeChanged;
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
