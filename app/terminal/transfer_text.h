// The pieces of the terminal's progress lines, in the window's units:
// "[3/9]", "37%", "17.80MB/48.00MB", "4MB/s", "剩余 0:08", and the whole live
// line. Pure functions, UTF-8 out; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "app/terminal/session_report.h"

namespace ld {

// "[3/9]": the place in the batch.
std::string batchCounterText(int position, int batchSize);
// Whole percent, rounded down, "0%" while the size is unknown, never above 100%.
std::string percentText(std::int64_t done, std::int64_t total);
// "17.80MB/48.00MB" (the window's size text for both).
std::string sizeProgressText(std::int64_t done, std::int64_t total);
// "4MB/s", "512KB/s" (the window's speed units).
std::string speedPerSecondText(std::int32_t bytesPerSecond);
// "剩余 0:08", "剩余 1:02:03"; empty while the size or the speed is unknown.
std::string remainingText(std::int64_t done, std::int64_t total, std::int32_t bytesPerSecond);
// The figures of a file on its way: "37%  17.80MB/48.00MB  4MB/s  剩余 0:08";
// "连接中" until the size is known or data flows; "1.20MB  4MB/s" for data of
// a size the server did not tell.
std::string transferFigures(const LectureTransfer& transfer);
// "[3/9] 第5讲 大文件  37%  17.80MB/48.00MB  4MB/s  剩余 0:08", control
// characters of the title blanked, at most `columns` columns wide: a line too
// wide loses the end of its title (marked "..."), never a figure; only a
// terminal too narrow for the figures themselves cuts them at its edge.
std::string liveTransferLine(const LectureTransfer& transfer, int columns);

}  // namespace ld
