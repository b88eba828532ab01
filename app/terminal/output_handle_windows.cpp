#include "app/terminal/output_handle_windows.h"

#include <string>

#include "app/terminal/utf8_character.h"

namespace ld {
namespace {

// The one control sequence the reports write (after "\r", to redraw the live
// line): erase from the cursor to the end of the line. A console carries it
// out through the console calls, so it needs no virtual-terminal mode (which
// older consoles and Wine's lack).
constexpr std::string_view kEraseToLineEnd = "\x1b[K";

// The length of the text without a beginning of kEraseToLineEnd at its end.
std::size_t withoutCutSequence(std::string_view text) {
    for (std::size_t length = kEraseToLineEnd.size() - 1; length > 0; --length) {
        if (text.ends_with(kEraseToLineEnd.substr(0, length))) {
            return text.size() - length;
        }
    }
    return text.size();
}

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

std::wstring wideFromUtf8(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), units);
    }
    return wide;
}

}  // namespace

OutputHandleBuffer::OutputHandleBuffer(HANDLE handle) : handle_(handle) {
    DWORD mode = 0;
    console_ = usable(handle_) && GetConsoleMode(handle_, &mode) != FALSE;
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

OutputHandleBuffer::~OutputHandleBuffer() {
    writeBuffered();
    if (!heldBack_.empty() && !failed_) {
        // Never completed: the console shows U+FFFD for it.
        writeConsole(heldBack_);
    }
}

bool OutputHandleBuffer::readerGone() const {
    if (!usable(handle_) || GetFileType(handle_) != FILE_TYPE_PIPE) {
        return false;
    }
    // Asked of the write end; a system that does not answer for it (access
    // denied) leaves the answer to the next write.
    if (PeekNamedPipe(handle_, nullptr, 0, nullptr, nullptr, nullptr) != FALSE) {
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

OutputHandleBuffer::int_type OutputHandleBuffer::overflow(int_type character) {
    if (!writeBuffered()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(character, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(character);
        pbump(1);
    }
    return traits_type::not_eof(character);
}

int OutputHandleBuffer::sync() {
    return writeBuffered() ? 0 : -1;
}

bool OutputHandleBuffer::writeBuffered() {
    const std::string_view buffered(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (failed_) {
        return false;
    }
    if (!console_) {
        failed_ = !writeBytes(buffered);
        return !failed_;
    }
    std::string text = heldBack_;
    text.append(buffered);
    const std::size_t complete = withoutCutSequence(text.substr(0, completeUtf8Length(text)));
    heldBack_ = text.substr(complete);
    failed_ = !writeConsole(std::string_view(text).substr(0, complete));
    return !failed_;
}

bool OutputHandleBuffer::writeConsole(std::string_view utf8) {
    for (std::size_t erase = utf8.find(kEraseToLineEnd); erase != std::string_view::npos;
         erase = utf8.find(kEraseToLineEnd)) {
        if (!writeConsoleText(utf8.substr(0, erase)) || !eraseToLineEnd()) {
            return false;
        }
        utf8.remove_prefix(erase + kEraseToLineEnd.size());
    }
    return writeConsoleText(utf8);
}

bool OutputHandleBuffer::eraseToLineEnd() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(handle_, &info) == FALSE) {
        return false;
    }
    const COORD from = info.dwCursorPosition;
    const auto cells = static_cast<DWORD>(info.dwSize.X > from.X ? info.dwSize.X - from.X : 0);
    DWORD done = 0;
    return FillConsoleOutputCharacterW(handle_, L' ', cells, from, &done) != FALSE &&
           FillConsoleOutputAttribute(handle_, info.wAttributes, cells, from, &done) != FALSE;
}

bool OutputHandleBuffer::writeConsoleText(std::string_view utf8) {
    const std::wstring wide = wideFromUtf8(utf8);
    std::wstring_view left = wide;
    while (!left.empty()) {
        DWORD written = 0;
        if (WriteConsoleW(handle_, left.data(), static_cast<DWORD>(left.size()), &written,
                          nullptr) == FALSE ||
            written == 0) {
            return false;
        }
        left.remove_prefix(written);
    }
    return true;
}

bool OutputHandleBuffer::writeBytes(std::string_view bytes) {
    if (bytes.empty()) {
        return true;
    }
    if (!usable(handle_)) {
        return false;  // no standard output at all: as a closed one on Linux
    }
    while (!bytes.empty()) {
        DWORD written = 0;
        // A pipe whose reader has gone fails with ERROR_NO_DATA or
        // ERROR_BROKEN_PIPE; the report then stops the run.
        if (WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ==
                FALSE ||
            written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace ld
