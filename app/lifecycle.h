// What the program does when its main window has been created and when it is
// about to be destroyed.
#pragma once

#include "app/globals.h"
#include "window/controls.h"

namespace ld {

// Handler of the main window's created event: initialises the download engine
// (the first engine call, which loads the engine library; its result is not
// looked at) and shows the program folder in 编辑框保存.
void prepareMainWindow(Controls& controls, Globals& globals);

// Handler of the main window's about-to-be-destroyed event: shuts the download
// engine down. A running task is neither stopped nor waited for.
void shutDownMainWindow(Globals& globals);

}  // namespace ld
