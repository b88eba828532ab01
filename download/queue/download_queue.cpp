#include "download/queue/download_queue.h"

#include "download/queue/completion_sound.h"
#include "download/queue/failure_text.h"
#include "download/queue/progress_text.h"
#include "download/queue/row_file_names.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "window/control_aliases.h"
#include "xldl/task_layout.h"

namespace ld {
namespace {

#if defined(_WIN32)
constexpr const char* kPathSeparator = "\\";
#else
constexpr const char* kPathSeparator = "/";
#endif

// The longest folder (with its separator) and address the create record holds
// whole: its fields keep one UTF-16 unit for the terminating zero.
constexpr int kMaxFolderUnits = XLDL_CREATE_FOLDER_SIZE / 2 - 1;
constexpr int kMaxAddressUnits = XLDL_CREATE_URL_SIZE / 2 - 1;

int utf16Units(const Text& text) {
    return static_cast<int>(gbkToUtf16(text).bytes().size() / 2);
}

// Why a save folder cannot be used, one sentence each.
constexpr const char* kFolderCharactersMessage =
    "保存文件夹的路径中有程序无法处理的字符（如“?”或部分外文字母），"
    "无法使用，请另选文件夹。";
constexpr const char* kFolderLengthMessage =
    "保存文件夹的路径超过259个字符，无法使用，请选择路径较短的文件夹。";

// Why the folder cannot be used as it stands, or nullptr. The save-folder box
// is read in code page 936, where a character the code page lacks reads as
// "?"; the engine would create and fill a folder of another name, as it would
// a folder cut to the record's field.
const char* folderProblem(const Text& folder) {
    if (findText(folder, "?") != -1) {
        return kFolderCharactersMessage;
    }
    if (utf16Units(folder) > kMaxFolderUnits) {
        return kFolderLengthMessage;
    }
    return nullptr;
}

// The status text a state code shows in 透明标签1, and whether polling stops
// there. Completion (4) is handled separately; codes without a text show
// nothing.
struct StateDisplay {
    const char* textUtf8;
    bool stopsPolling;
};

const StateDisplay* displayFor(std::int32_t stateCode) {
    static constexpr StateDisplay kPaused{"已暂停", true};
    static constexpr StateDisplay kRunning{"下载中", false};
    static constexpr StateDisplay kSending{"发送请求", false};
    static constexpr StateDisplay kFinishing{"结束请求", false};
    switch (stateCode) {
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

// States in which the row's 完成状态 cell shows how far its file has come.
bool showsProgress(std::int32_t stateCode) {
    return stateCode == XLDL_STATE_RUNNING || stateCode == XLDL_STATE_PAUSED ||
           stateCode == XLDL_STATE_FINISHING;
}

// The one place a row is marked as failed.
void markRowFailed(Controls& controls, int row, std::int32_t failureCode) {
    controls.setCellText(kDownloadList, row, kDownloadStatusColumn, failedRowText(failureCode));
}

// A row that cannot be downloaded halts the queue on it: the user removes it
// or starts it again.
void haltOnFailedRow(const DownloadQueue& queue, int row, std::int32_t failureCode) {
    queue.controls.setText(kTaskStateLabel, gbk("已取消"));
    markRowFailed(queue.controls, row, failureCode);
    queue.controls.setInterval(0);
    queue.shared.currentRow = row;
}

// The task is given up for good: nothing will resume it or mark its row. Its
// partial data stays, so a later start resumes. A task that has finished
// since the last tick has its file complete under the final name: that file
// counts as finished in this run (so no later row is given it), whatever
// became of the row.
void stopLiveTask(const DownloadQueue& queue) {
    DownloadQueueState& state = queue.state;
    if (state.taskLive) {
        void* infoBlock = state.taskInfoRecord.taskAddress();
        const bool finished = infoBlock != nullptr &&
                              queue.engine.queryTaskInfo(state.taskHandle, infoBlock) != 0 &&
                              state.taskInfoRecord.当前状态() == XLDL_STATE_FINISHED;
        if (finished) {
            state.finishedFiles.note(state.currentFolder, state.currentFileName,
                                     state.currentAddress);
        } else {
            queue.engine.stopTask(state.taskHandle);
        }
    }
    state.taskLive = false;
    queue.shared.taskRow = kNoTaskRow;
}

// Whether the live task's row is still in the list where the edits have kept
// it. The address check also catches a list changed behind the edits' back.
bool taskRowPresent(const DownloadQueue& queue) {
    const int row = queue.shared.taskRow;
    return row != kNoTaskRow &&
           queue.controls.getCellText(kDownloadList, row, kDownloadAddressColumn) ==
               queue.state.currentAddress;
}

// Whether the gate, if any, passes the row by (its file named already). A row
// passed by shows the gate's text; a complete file counts as finished.
bool passedByGate(const DownloadQueue& queue, int row) {
    DownloadQueueState& state = queue.state;
    if (state.rowGate == nullptr) {
        return false;
    }
    const RowFile file{state.currentFolder, state.currentFileName, state.currentAddress};
    const RowVerdict verdict = state.rowGate->admit(row, file);
    if (verdict.download) {
        return false;
    }
    queue.controls.setCellText(kDownloadList, row, kDownloadStatusColumn, verdict.statusText);
    if (verdict.fileComplete) {
        state.finishedFiles.note(state.currentFolder, state.currentFileName, state.currentAddress);
    }
    return true;
}

void completeTaskRow(const DownloadQueue& queue) {
    markTaskRowFinished(queue);
    queue.controls.playSound(completionSound());
    if (queue.shared.currentRow < queue.controls.rowCount(kDownloadList)) {
        startCurrentRow(queue);
    }
}

}  // namespace

void markTaskRowFinished(const DownloadQueue& queue) {
    DownloadQueueState& state = queue.state;
    const int row = queue.shared.taskRow;
    // A file that completes before the first tick would otherwise never show
    // its size.
    queue.controls.setCellText(kDownloadList, row, kDownloadSizeColumn,
                               fileSizeText(state.taskInfoRecord.文件总大小()));
    queue.controls.setCellText(kDownloadList, row, kDownloadStatusColumn, gbk("下载完毕"));
    state.finishedFiles.note(state.currentFolder, state.currentFileName, state.currentAddress);
    if (state.rowGate != nullptr) {
        state.rowGate->finished(
            row, RowFile{state.currentFolder, state.currentFileName, state.currentAddress});
    }
    state.taskLive = false;
    queue.shared.taskRow = kNoTaskRow;
    queue.controls.setInterval(0);
    queue.shared.currentRow = row + 1;
}

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
    if (rows == 0 || queue.shared.currentRow < 0 || queue.shared.currentRow >= rows) {
        controls.showMessage(gbk("无下载任务"));
        return;
    }
    const Text folder = taskFolder(controls.getText(kSaveFolderBox));
    if (const char* problem = folderProblem(folder)) {
        // Nothing starts; a task already running goes on.
        controls.showMessage(gbk(problem));
        return;
    }
    stopLiveTask(queue);
    int row = queue.shared.currentRow;
    for (;; ++row) {
        if (row >= rows) {
            // The gate passed by every row left: the list is done.
            queue.shared.currentRow = rows;
            controls.setInterval(0);
            return;
        }
        queue.shared.currentRow = row;
        state.currentAddress = controls.getCellText(kDownloadList, row, kDownloadAddressColumn);
        state.currentFolder = folder;
        state.currentFileName = rowFileName(controls, row, folder, state.finishedFiles);
        if (!passedByGate(queue, row)) {
            break;
        }
    }
    if (utf16Units(state.currentAddress) > kMaxAddressUnits) {
        // A cut address would fetch something else.
        haltOnFailedRow(queue, row, XLDL_FAIL_BAD_URL);
        return;
    }
    state.taskCreateRecord.defineFields(state.currentAddress, Text(), Text(), state.currentFileName,
                                        state.currentFolder, false, true, true);
    state.taskInfoRecord.defineFields();
    state.taskHandle = queue.engine.createTask(state.taskCreateRecord.taskAddress());
    if (state.taskHandle == 0) {
        haltOnFailedRow(queue, row, XLDL_FAIL_INTERNAL);
        return;
    }
    queue.engine.startTask(state.taskHandle);
    state.taskLive = true;
    queue.shared.taskRow = row;
    controls.setInterval(kPollIntervalMs);
}

void pollCurrentTask(const DownloadQueue& queue) {
    Controls& controls = queue.controls;
    DownloadQueueState& state = queue.state;
    void* infoBlock = state.taskInfoRecord.taskAddress();
    if (!state.taskLive || infoBlock == nullptr) {
        return;
    }
    if (!taskRowPresent(queue)) {
        // The row was removed: its task stops, and no other row is marked.
        stopLiveTask(queue);
        controls.setInterval(0);
        controls.setText(kTaskStateLabel, gbk("已取消"));
        return;
    }
    if (queue.engine.queryTaskInfo(state.taskHandle, infoBlock) == 0) {
        return;
    }
    const int row = queue.shared.taskRow;
    const std::int32_t stateCode = state.taskInfoRecord.当前状态();
    if (stateCode == XLDL_STATE_FINISHED) {
        completeTaskRow(queue);
    } else if (stateCode == XLDL_STATE_FAILED) {
        state.taskLive = false;
        queue.shared.taskRow = kNoTaskRow;
        haltOnFailedRow(queue, row, state.taskInfoRecord.失败代码());
    } else if (const StateDisplay* display = displayFor(stateCode)) {
        controls.setText(kTaskStateLabel, gbk(display->textUtf8));
        if (display->stopsPolling) {
            controls.setInterval(0);
        }
    }
    // After a completion that started the next row this reads the fresh
    // record: the new row shows 0.00MB and the line a zero speed.
    const TaskInfoRecord& info = state.taskInfoRecord;
    if (state.taskLive && showsProgress(stateCode)) {
        const Text percent = progressPercentText(info.已下载速度(), info.文件总大小());
        if (!percent.empty()) {
            controls.setCellText(kDownloadList, queue.shared.taskRow, kDownloadStatusColumn,
                                 percent);
        }
    }
    const int sizeRow = state.taskLive ? queue.shared.taskRow : row;
    controls.setCellText(kDownloadList, sizeRow, kDownloadSizeColumn,
                         fileSizeText(info.文件总大小()));
    controls.setText(kSpeedLabel,
                     speedLineText(info.下载速度(), info.可用资源数(), info.总资源数()));
}

void togglePause(const DownloadQueue& queue) {
    Controls& controls = queue.controls;
    if (!queue.state.taskLive) {
        return;
    }
    if (!taskRowPresent(queue)) {
        stopLiveTask(queue);
        return;
    }
    const std::uint32_t handle = queue.state.taskHandle;
    if (controls.getText(kPauseButton) == gbk("暂停")) {
        controls.setText(kPauseButton, gbk("继续"));
        queue.engine.stopTask(handle);
        controls.setInterval(0);
    } else {
        controls.setText(kPauseButton, gbk("暂停"));
        queue.engine.startTask(handle);
        controls.setInterval(kPollIntervalMs);
    }
}

void chooseDownloadFolder(Controls& controls) {
    const Text folder = controls.chooseFolder(gbk("选择文件存放目录"));
    if (!folder.empty()) {
        controls.setText(kSaveFolderBox, folder);
    }
}

void wireDownloadQueueEvents(Controls& controls, DownloadEngine& engine, SharedState& shared,
                             DownloadQueueState& state) {
    const DownloadQueue queue{controls, engine, shared, state};
    controls.setHandler(kStartClicked, [queue] { startCurrentRow(queue); });
    controls.setHandler(kPauseClicked, [queue] { togglePause(queue); });
    controls.setHandler(kBrowseClicked, [&controls] { chooseDownloadFolder(controls); });
    controls.setHandler(kPollTick, [queue] { pollCurrentTask(queue); });
}

}  // namespace ld
