// The text of the fatal stop's error box, the same for every window. Pure; any thread.
#pragma once

#include "text/text.h"

namespace ld {

// The error box is captioned "错误"; its text is "运行时出错!", two line breaks,
// "错误信息：", the message and one line break.
inline constexpr const char* kFatalStopCaption = "错误";
Text fatalStopText(const Text& message);

}  // namespace ld
