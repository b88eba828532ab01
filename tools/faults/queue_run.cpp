#include "tools/faults/queue_run.h"

#include <thread>

#include "window/control_names.h"
#include "window/memory_window.h"
#include "window/shared_state.h"
#include "download/download_queue_state.h"
#include "download/queue/download_queue.h"
#include "download/queue/safe_file_name.h"
#include "text/codepage.h"

namespace ld::faults {

Shown downloadThroughQueue(DownloadEngine& engine, const Text& title, const Text& address,
                           const std::string& folderUtf8, std::chrono::milliseconds deadline) {
    SharedState shared;
    DownloadQueueState state;
    MemoryWindow window;  // goes first, before what its handlers use
    wireDownloadQueueEvents(window, engine, shared, state);
    window.setText(Control::编辑框保存, utf8ToGbk(folderUtf8));
    const int row = window.appendRow(List::超级列表框2);
    window.setCellText(List::超级列表框2, row, kDownloadTitleColumn, title);
    window.setCellText(List::超级列表框2, row, kDownloadAddressColumn, address);

    window.fire(Event::按钮下载Clicked);
    // The timer ticks as fast as a test likes; the program's second only
    // paces what the user sees.
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (window.interval() > 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window.fire(Event::时钟1Tick);
    }
    Shown shown = Shown::Unsettled;
    if (window.getCellText(List::超级列表框2, row, kDownloadStatusColumn) == gbk("下载完毕")) {
        shown = Shown::Finished;
    } else if (window.getText(Control::透明标签1) == gbk("已取消")) {
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
