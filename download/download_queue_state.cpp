#include "download/download_queue_state.h"

namespace ld {

void releaseDownloadQueueState(DownloadQueueState& state) noexcept {
    state.taskInfoRecord.release();
    state.currentAddress = Text();
    state.currentFileName = Text();
    state.currentFolder = Text();
    state.taskCreateRecord.release();
}

}  // namespace ld
