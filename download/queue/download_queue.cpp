#include "download/queue/download_queue.h"

#include "download/queue/completion_sound.h"
#include "download/queue/failure_text.h"
#include "download/queue/progress_text.h"
#include "download/queue/safe_file_name.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "xldl/task_layout.h"

namespace ld {
namespace {

#if defined(_WIN32)
constexpr const char* kPathSeparator = "\\";
#else
constexpr const char* kPathSeparator = "/";
#endif

constexpr List kDownloadList = List::超级列表框2;

// The last state the engine reported for the current task says its file is
// complete; nothing writes to it any more.
bool currentTaskFinished(DownloadQueueState& state) {
    return state.taskInfoRecord.当前状态() == XLDL_STATE_FINISHED;
}

// The status text a state code shows in 透明标签1, and whether polling stops
// there. Completion (4) is handled separately; codes without a text show
// nothing.
struct StateDisplay {
    const char* textUtf8;
    bool stopsPolling;
};

const StateDisplay* displayFor(std::int32_t stateCode) {
    static constexpr StateDisplay kFailed{"已取消", true};
    static constexpr StateDisplay kPaused{"已暂停", true};
    static constexpr StateDisplay kRunning{"下载中", false};
    static constexpr StateDisplay kSending{"发送请求", false};
    static constexpr StateDisplay kFinishing{"结束请求", false};
    switch (stateCode) {
        case XLDL_STATE_FAILED:
            return &kFailed;
        case XLDL_STATE_PAUSED:
            return &kPaused;
        case XLDL_STATE_RUNNING:
            return &kRunning;
        case XLDL_STATE_SENDING:
            return &kSending;
        case XLDL_STATE_FINISHING:
            return &kFinishing;
        default:
            return nullptr;
    }
}

void completeCurrentRow(const DownloadQueue& queue, int rowCountBeforeTick) {
    // A file that completes before the first tick would otherwise never show
    // its size: the size of this tick goes to the next row.
    queue.controls.setCellText(kDownloadList, queue.shared.currentRow, kDownloadSizeColumn,
                               fileSizeText(queue.state.taskInfoRecord.文件总大小()));
    queue.controls.setCellText(kDownloadList, queue.shared.currentRow, kDownloadStatusColumn,
                               gbk("下载完毕"));
    queue.controls.setInterval(0);
    queue.shared.currentRow += 1;
    queue.controls.playSound(completionSound());
    if (queue.shared.currentRow < rowCountBeforeTick) {
        startCurrentRow(queue);
    }
}

}  // namespace

Text taskFolder(const Text& saveFolderBoxText) {
    if (saveFolderBoxText.empty()) {
        return concatTexts({Text("."), Text(kPathSeparator)});
    }
    return concatTexts({saveFolderBoxText, Text(kPathSeparator)});
}

void startCurrentRow(const DownloadQueue& queue) {
    Controls& controls = queue.controls;
    DownloadQueueState& state = queue.state;
    const int rows = controls.rowCount(kDownloadList);
    const int row = queue.shared.currentRow;
    if (rows == 0 || row < 0 || row >= rows) {
        controls.showMessage(gbk("无下载任务"));
        return;
    }
    if (state.taskHandle != 0 && !currentTaskFinished(state)) {
        queue.engine.stopTask(state.taskHandle);
    }
    state.currentAddress = controls.getCellText(kDownloadList, row, kDownloadAddressColumn);
    state.currentFileName =
        downloadFileName(controls.getCellText(kDownloadList, row, kDownloadTitleColumn));
    state.currentFolder = taskFolder(controls.getText(Control::编辑框保存));
    state.taskCreateRecord.defineFields(state.currentAddress, Text(), Text(), state.currentFileName,
                                        state.currentFolder, false, true, true);
    state.taskInfoRecord.defineFields();
    state.taskHandle = queue.engine.createTask(state.taskCreateRecord.taskAddress());
    queue.engine.startTask(state.taskHandle);
    controls.setInterval(kPollIntervalMs);
}

void pollCurrentTask(const DownloadQueue& queue) {
    Controls& controls = queue.controls;
    DownloadQueueState& state = queue.state;
    const int rowCountBeforeTick = controls.rowCount(kDownloadList);
    void* infoBlock = state.taskInfoRecord.taskAddress();
    if (state.taskHandle == 0 || infoBlock == nullptr) {
        return;
    }
    if (queue.engine.queryTaskInfo(state.taskHandle, infoBlock) == 0) {
        return;
    }
    const std::int32_t stateCode = state.taskInfoRecord.当前状态();
    if (stateCode == XLDL_STATE_FINISHED) {
        completeCurrentRow(queue, rowCountBeforeTick);
    } else if (const StateDisplay* display = displayFor(stateCode)) {
        controls.setText(Control::透明标签1, gbk(display->textUtf8));
        if (stateCode == XLDL_STATE_FAILED) {
            // The row that stopped the queue shows it and why, so the user
            // knows what to remove or retry.
            controls.setCellText(kDownloadList, queue.shared.currentRow, kDownloadStatusColumn,
                                 failedRowText(state.taskInfoRecord.失败代码()));
        }
        if (display->stopsPolling) {
            controls.setInterval(0);
        }
    }
    // After a completion that started the next row this reads the fresh
    // record: the new row shows 0.00MB and the line a zero speed.
    const TaskInfoRecord& info = state.taskInfoRecord;
    controls.setCellText(kDownloadList, queue.shared.currentRow, kDownloadSizeColumn,
                         fileSizeText(info.文件总大小()));
    controls.setText(Control::透明标签显示,
                     speedLineText(info.下载速度(), info.可用资源数(), info.总资源数()));
}

void togglePause(const DownloadQueue& queue) {
    Controls& controls = queue.controls;
    const std::uint32_t handle = queue.state.taskHandle;
    if (handle == 0) {
        return;
    }
    if (controls.getText(Control::按钮暂停) == gbk("暂停")) {
        controls.setText(Control::按钮暂停, gbk("继续"));
        queue.engine.stopTask(handle);
        controls.setInterval(0);
    } else {
        controls.setText(Control::按钮暂停, gbk("暂停"));
        queue.engine.startTask(handle);
        controls.setInterval(kPollIntervalMs);
    }
}

void chooseDownloadFolder(Controls& controls) {
    const Text folder = controls.chooseFolder(gbk("选择文件存放目录"));
    if (!folder.empty()) {
        controls.setText(Control::编辑框保存, folder);
    }
}

void wireDownloadQueueEvents(Controls& controls, DownloadEngine& engine, SharedState& shared,
                             DownloadQueueState& state) {
    const DownloadQueue queue{controls, engine, shared, state};
    controls.setHandler(Event::按钮下载Clicked, [queue] { startCurrentRow(queue); });
    controls.setHandler(Event::按钮暂停Clicked, [queue] { togglePause(queue); });
    controls.setHandler(Event::按钮选择Clicked, [&controls] { chooseDownloadFolder(controls); });
    controls.setHandler(Event::时钟1Tick, [queue] { pollCurrentTask(queue); });
}

}  // namespace ld
