#include "tools/faults/queue_run.h"

#include <thread>

#include "download/download_queue_state.h"
#include "download/queue/download_queue.h"
#include "download/queue/safe_file_name.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/control_names.h"
#include "window/memory_window.h"
#include "window/shared_state.h"

namespace ld::faults {

Shown downloadThroughQueue(DownloadEngine& engine, const Text& title, const Text& address,
                           const std::string& folderUtf8, std::chrono::milliseconds deadline) {
    SharedState shared;
    DownloadQueueState state;
    MemoryWindow window;  // goes first, before what its handlers use
    wireDownloadQueueEvents(window, engine, shared, state);
    window.setText(kSaveFolderBox, utf8ToGbk(folderUtf8));
    const int row = window.appendRow(kDownloadList);
    window.setCellText(kDownloadList, row, kDownloadTitleColumn, title);
    window.setCellText(kDownloadList, row, kDownloadAddressColumn, address);

    window.fire(kStartClicked);
    // The timer ticks as fast as a test likes; the program's second only
    // paces what the user sees.
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (window.interval() > 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window.fire(kPollTick);
    }
    Shown shown = Shown::Unsettled;
    if (window.getCellText(kDownloadList, row, kDownloadStatusColumn) == gbk("下载完毕")) {
        shown = Shown::Finished;
    } else if (window.getText(kTaskStateLabel) == gbk("已取消")) {
        shown = Shown::Failed;
    }
    if (state.taskHandle != 0 && shown == Shown::Unsettled) {
        engine.stopTask(state.taskHandle);
    }
    releaseDownloadQueueState(state);
    return shown;
}

std::string savedFilePath(const std::string& folderUtf8, const Text& title) {
    return folderUtf8 + "/" + gbkToUtf8(downloadFileName(title));
}

}  // namespace ld::faults
