// Why a file failed, in words: the engine's failure code (失败代码 of the
// TaskInfoRecord) turned into the text of the row's "完成状态" cell. Pure
// functions, usable from any thread; one table serves the window and any
// other report of failed files.
#pragma once

#include <cstdint>
#include <string>

#include "text/text.h"

namespace ld {

// The reason in a few words (UTF-8) for one of the engine's own codes
// (XLDL_FAIL_*, 1000 and up); nullptr for any other value.
const char* engineFailureReason(std::int32_t code);

// The reason as shown after "下载失败": the status number for an HTTP status
// ("404"), the words of an engine code, "错误 <code>" for a code nobody knows,
// and empty when the engine gave none (0).
std::string failureReasonUtf8(std::int32_t code);

// "下载失败", followed by " (reason)" when there is one: "下载失败 (404)",
// "下载失败 (磁盘空间不足)".
Text failedRowText(std::int32_t code);

}  // namespace ld
