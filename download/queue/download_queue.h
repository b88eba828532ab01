// The download queue: works off 超级列表框2 one row at a time, from
// currentRow downwards, each row becoming one task of the download engine that
// saves the row's play address into the chosen folder as "<title>.flv".
//
// Everything here runs on the window's thread: the handlers of 按钮下载,
// 按钮暂停 and 按钮选择 and the ticks of 时钟1.
#pragma once

#include "download/download_engine.h"
#include "download/download_queue_state.h"
#include "text/text.h"
#include "window/control_aliases.h"
#include "window/controls.h"
#include "window/shared_state.h"

namespace ld {

// What the queue's handlers work on; every reference must outlive them.
struct DownloadQueue {
    Controls& controls;
    DownloadEngine& engine;
    SharedState& shared;
    DownloadQueueState& state;
};

inline constexpr int kPollIntervalMs = 1000;

// The folder a task saves into: the save-folder box's text followed by the
// platform's separator. An empty box means the current folder.
Text taskFolder(const Text& saveFolderBoxText);

// Click on 按钮下载, and the next row after a completion: creates and starts
// the task for row currentRow (saved under rowFileName) and starts polling.
// With no row there, shows "无下载任务" instead. A save folder the create
// record cannot hold as typed (too long, or with characters code page 936
// lacks) shows why in a message box and starts nothing. The state's row gate,
// when there is one, is asked about each row once its file name is decided: a
// row it passes by shows the gate's text and the row after it comes next (all
// passed by: currentRow ends past the last row, polling off). A row whose address
// the record cannot hold whole is marked "下载失败" and halts the queue. A
// live task is stopped first, so two tasks never write one file.
void startCurrentRow(const DownloadQueue& queue);

// Tick of 时钟1: shows the live task's state, size and speed in its own row
// (shared.taskRow, wherever the edits have moved it); on completion marks that
// row "下载完毕", plays the chime and starts the row after it in this tick. A
// task whose row was removed is stopped, and no row is marked; if it had
// finished meanwhile, its file still counts as finished in this run, so no
// later row is saved under that name. Without a live task a tick does
// nothing.
void pollCurrentTask(const DownloadQueue& queue);

// What a tick does for the live task once it has finished, short of the chime
// and the next row: its row reads "下载完毕" with its size, its file counts as
// finished in this run (and the row gate hears of it), no task is live and
// currentRow is the row after it. For a caller that stops the queue and finds
// the task finished although it was paused (the engine completes a file it is
// already finishing). Needs a live task.
void markTaskRowFinished(const DownloadQueue& queue);

// Click on 按钮暂停: "暂停" pauses the live task, "继续" resumes it. Does
// nothing without a live task (none created yet, finished, or failed).
void togglePause(const DownloadQueue& queue);

// Click on 按钮选择: the folder picker writes its choice into 编辑框保存;
// cancelling changes nothing.
void chooseDownloadFolder(Controls& controls);

// Installs the four handlers above on their events. The four objects must
// outlive the handlers.
void wireDownloadQueueEvents(Controls& controls, DownloadEngine& engine, SharedState& shared,
                             DownloadQueueState& state);

}  // namespace ld
