// The terminal mode's output on Windows through the system's own calls (run
// under Wine): to a pipe and to a file as the UTF-8 bytes written, "\n" line
// breaks as on Linux, and a reader that has gone failing the stream for good.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>

#include "app/terminal/output_handle_windows.h"

namespace ld {
namespace {

struct HandleClose {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleClose>;

struct Pipe {
    UniqueHandle read;
    UniqueHandle write;
};

Pipe makePipe() {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    EXPECT_NE(CreatePipe(&read, &write, nullptr, 1 << 16), FALSE);
    return {UniqueHandle(read), UniqueHandle(write)};
}

std::string readAvailable(HANDLE pipe) {
    std::string bytes;
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) != FALSE &&
           available > 0) {
        std::string chunk(available, '\0');
        DWORD got = 0;
        if (ReadFile(pipe, chunk.data(), available, &got, nullptr) == FALSE) {
            break;
        }
        bytes.append(chunk, 0, got);
    }
    return bytes;
}

TEST(WindowsOutput, APipeGetsTheUtf8BytesAsWrittenWithLinuxLineBreaks) {
    Pipe pipe = makePipe();
    {
        OutputHandleBuffer buffer(pipe.write.get());
        EXPECT_FALSE(buffer.isConsole());
        EXPECT_FALSE(buffer.readerGone());
        std::ostream out(&buffer);
        out << "[1/7] 第1讲 课程导论  下载完毕\n";
        // More than the buffer holds, so it is written in several pieces.
        const std::string long_line(10'000, 'x');
        out << long_line << "\n" << std::flush;
        EXPECT_TRUE(out.good());
    }
    EXPECT_EQ(readAvailable(pipe.read.get()),
              "[1/7] 第1讲 课程导论  下载完毕\n" + std::string(10'000, 'x') + "\n");
}

TEST(WindowsOutput, AReaderThatHasGoneFailsTheStreamForGood) {
    Pipe pipe = makePipe();
    OutputHandleBuffer buffer(pipe.write.get());
    std::ostream out(&buffer);
    out << "第一行\n" << std::flush;
    ASSERT_TRUE(out.good());
    pipe.read.reset();
    // Whether the system tells before a write (PeekNamedPipe on the write
    // end) is its own: Wine does not, real Windows is not known to. Either
    // way the stream goes bad at the latest on the next write.
    const bool toldBefore = buffer.readerGone();
    out << "第二行\n" << std::flush;
    EXPECT_TRUE(out.bad());
    out.clear();
    out << "第三行\n" << std::flush;
    EXPECT_TRUE(out.bad()) << "once failed, the stream stays failed";
    RecordProperty("reader_gone_told_before_write", toldBefore ? "yes" : "no");
}

TEST(WindowsOutput, AFileGetsTheBytesAndNoStandardOutputFails) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / L"ld-windows-output-测试.txt";
    {
        UniqueHandle handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(handle.get(), INVALID_HANDLE_VALUE);
        OutputHandleBuffer buffer(handle.get());
        std::ostream out(&buffer);
        out << "共 8 讲，7 讲有播放地址\n";
    }
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "共 8 讲，7 讲有播放地址\n");
    in.close();
    std::filesystem::remove(file);

    // No handle at all (as a closed standard output on Linux): the stream fails.
    OutputHandleBuffer none(INVALID_HANDLE_VALUE);
    std::ostream out(&none);
    out << "x" << std::flush;
    EXPECT_TRUE(out.bad());
}

}  // namespace
}  // namespace ld
