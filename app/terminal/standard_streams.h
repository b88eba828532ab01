// The terminal mode's standard output and error, and what the reports need to
// know of the output: whether it is a terminal, how wide it is, whether its
// reader has gone.
//
// On Linux they are std::cout and std::cerr (the UTF-8 bytes as written). On
// Windows they are streams of our own over the process's standard handles: to
// a console the text goes as UTF-16 (WriteConsoleW), so every console code
// page shows it, and the live line is redrawn with the console calls (the
// console's mode and code page are left as they are); to a pipe or a file it
// goes as the UTF-8 bytes written, "\n" line breaks as on Linux. A write
// that fails (a closed pipe) makes the stream bad; it never ends the process.
//
// Construct one, on the main thread; its streams are written from one thread
// at a time. Destruction flushes both streams.
#pragma once

#include <memory>
#include <ostream>

namespace ld {

class StandardStreams {
  public:
    StandardStreams();
    StandardStreams(const StandardStreams&) = delete;
    StandardStreams& operator=(const StandardStreams&) = delete;
    ~StandardStreams();

    std::ostream& out();
    std::ostream& errors();

    // Whether standard output is a terminal that the live line can be redrawn on.
    [[nodiscard]] bool outputIsTerminal() const;
    // The terminal's width now (COLUMNS, else 80, when it cannot tell).
    [[nodiscard]] int outputColumns() const;
    // Whether the reader of standard output has gone (the other end of its
    // pipe is closed), before a write fails; false when it cannot tell.
    [[nodiscard]] bool outputClosed() const;

  private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

// COLUMNS when it holds a positive number, else 80.
int columnsFromEnvironment();

}  // namespace ld
