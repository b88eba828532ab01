// Answers a window's modal dialogs give without a user, so tests and the
// demo's autopilot can run a real window unattended. An empty function leaves
// the real dialog in place. Used on the window's thread.
#pragma once

#include <functional>

#include "text/text.h"

namespace ld {

struct DialogAnswers {
    std::function<Text(const Text& prompt)> chooseFolder;
    std::function<void(const Text& text)> showMessage;
};

}  // namespace ld
