#include "app/lifecycle.h"

#include "window/control_aliases.h"

namespace ld {

void prepareMainWindow(Controls& controls, Globals& globals) {
    globals.engine.init();
    controls.setText(kSaveFolderBox, globals.saveFolder);
}

void shutDownMainWindow(Globals& globals) {
    globals.engine.unInit();
}

void releaseGlobals(Globals& globals) noexcept {
    releaseDownloadQueueState(globals.queue);
}

}  // namespace ld
