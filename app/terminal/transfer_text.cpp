#include "app/terminal/transfer_text.h"

#include <algorithm>
#include <cstdio>

#include "app/terminal/display_text.h"
#include "download/queue/progress_text.h"
#include "text/codepage.h"

namespace ld {

std::string batchCounterText(int position, int batchSize) {
    return "[" + std::to_string(position) + "/" + std::to_string(batchSize) + "]";
}

std::string percentText(std::int64_t done, std::int64_t total) {
    if (total <= 0) {
        return "0%";
    }
    const std::int64_t clamped = std::clamp<std::int64_t>(done, 0, total);
    // done * 100 would overflow only past 92 PB; divide first for such sizes.
    const std::int64_t percent =
        total > INT64_MAX / 100 ? clamped / (total / 100) : clamped * 100 / total;
    return std::to_string(std::min<std::int64_t>(percent, 100)) + "%";
}

std::string sizeProgressText(std::int64_t done, std::int64_t total) {
    return gbkToUtf8(fileSizeText(done)) + "/" + gbkToUtf8(fileSizeText(total));
}

std::string speedPerSecondText(std::int32_t bytesPerSecond) {
    return gbkToUtf8(speedText(bytesPerSecond)) + "/s";
}

std::string remainingText(std::int64_t done, std::int64_t total, std::int32_t bytesPerSecond) {
    if (total <= 0 || bytesPerSecond <= 0) {
        return {};
    }
    const std::int64_t left = std::max<std::int64_t>(total - done, 0);
    const std::int64_t seconds = (left + bytesPerSecond - 1) / bytesPerSecond;
    char clock[32];
    if (seconds >= 3600) {
        std::snprintf(
            clock, sizeof clock, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(clock, sizeof clock, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return std::string("剩余 ") + clock;
}

std::string transferFigures(const LectureTransfer& transfer) {
    if (transfer.bytesTotal <= 0) {
        if (transfer.bytesDone <= 0) {
            return "连接中";
        }
        return gbkToUtf8(fileSizeText(transfer.bytesDone)) + "  " +
               speedPerSecondText(transfer.bytesPerSecond);
    }
    std::string figures = percentText(transfer.bytesDone, transfer.bytesTotal) + "  " +
                          sizeProgressText(transfer.bytesDone, transfer.bytesTotal) + "  " +
                          speedPerSecondText(transfer.bytesPerSecond);
    const std::string remaining =
        remainingText(transfer.bytesDone, transfer.bytesTotal, transfer.bytesPerSecond);
    if (!remaining.empty()) {
        figures += "  " + remaining;
    }
    return figures;
}

std::string liveTransferLine(const LectureTransfer& transfer, int columns) {
    constexpr std::string_view kCutMark = "...";
    const std::string counter = batchCounterText(transfer.position, transfer.batchSize) + " ";
    const std::string figures = "  " + transferFigures(transfer);
    std::string title = printableText(transfer.title);
    const int room = columns - displayWidth(counter) - displayWidth(figures);
    if (displayWidth(title) > room) {
        const int kept = room - static_cast<int>(kCutMark.size());
        title = kept > 0 ? fitToColumns(title, kept) + std::string(kCutMark)
                         : fitToColumns(title, std::max(room, 0));
    }
    return fitToColumns(counter + title + figures, std::max(columns, 0));
}

}  // namespace ld
