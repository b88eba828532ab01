// The texts the download page shows while a task runs: the file size in the
// row's "文件大小" cell, how far it has come in its "完成状态" cell, and the
// speed line below the list.
#pragma once

#include <cstdint>

#include "text/text.h"

namespace ld {

// Bytes as megabytes below 1 GiB, else gigabytes, always with two decimals
// rounded half up: 0.00MB, 1.50MB, 1024.00MB, 1.00GB.
Text fileSizeText(std::int64_t bytes);

// "37%": the whole percent of the file on disk, rounded down so that 100%
// appears only once every byte is there. Empty while the size is unknown.
Text progressPercentText(std::int64_t bytesDone, std::int64_t totalBytes);

// A speed as the speed line writes it: whole KB below 1 MiB per second, else
// whole MB (truncated): "512KB", "4MB".
Text speedText(std::int32_t bytesPerSecond);

// "当前速度：512KB    可用资源数：3/5": the speed in whole KB below 1 MiB per
// second, else in whole MB (truncated), then usable/total sources.
Text speedLineText(std::int32_t bytesPerSecond, std::int32_t usableSources,
                   std::int32_t totalSources);

}  // namespace ld
