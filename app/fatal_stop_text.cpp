#include "app/fatal_stop_text.h"

#include <string>

#include "text/codepage.h"

namespace ld {

Text fatalStopText(const Text& message) {
    std::string text = gbk("运行时出错!\n\n错误信息：").bytes();
    text += message.bytes();
    text += '\n';
    return Text(std::move(text));
}

}  // namespace ld
