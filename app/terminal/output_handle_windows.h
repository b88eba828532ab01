// A stream buffer over one of the process's output handles (Windows only):
// to a console the UTF-8 written goes out as UTF-16 through WriteConsoleW (a
// character cut by the buffer's end waits for its other bytes) and the live
// line's "\x1b[K" (erase to the end of the line) is carried out with the
// console calls, so no virtual-terminal mode is needed; to a pipe or a file
// everything goes as the bytes written. Once a write fails, every later one fails too
// (the stream turns bad), so a reader that has gone is not written to again.
//
// The handle is borrowed, not closed. One thread at a time; destruction
// writes what is still buffered.
#pragma once

#include <windows.h>

#include <array>
#include <streambuf>
#include <string>
#include <string_view>

namespace ld {

class OutputHandleBuffer : public std::streambuf {
  public:
    explicit OutputHandleBuffer(HANDLE handle);
    OutputHandleBuffer(const OutputHandleBuffer&) = delete;
    OutputHandleBuffer& operator=(const OutputHandleBuffer&) = delete;
    ~OutputHandleBuffer() override;

    [[nodiscard]] HANDLE handle() const { return handle_; }
    [[nodiscard]] bool isConsole() const { return console_; }
    // True when the handle is a pipe whose reader has closed its end (as far
    // as the system tells before a write fails).
    [[nodiscard]] bool readerGone() const;

  protected:
    int_type overflow(int_type character) override;
    int sync() override;

  private:
    bool writeBuffered();
    bool writeConsole(std::string_view utf8);
    bool writeConsoleText(std::string_view utf8);
    bool eraseToLineEnd();
    bool writeBytes(std::string_view bytes);

    HANDLE handle_;
    bool console_ = false;
    bool failed_ = false;
    std::string heldBack_;  // the start of a character the console has not had
    std::array<char, 4096> buffer_{};
};

}  // namespace ld
