#include "app/lifecycle.h"

namespace ld {

void prepareMainWindow(Controls& controls, Globals& globals) {
    globals.engine.init();
    controls.setText(Control::编辑框保存, globals.saveFolder);
}

void shutDownMainWindow(Globals& globals) {
    globals.engine.unInit();
}

void releaseGlobals(Globals& globals) noexcept {
    releaseDownloadQueueState(globals.queue);
}

}  // namespace ld
