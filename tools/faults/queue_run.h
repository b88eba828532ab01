// One download through the program's own download queue, on an in-memory
// window, with the real engine library: the row is put into 超级列表框2, the
// start button is clicked and the timer ticks until the queue stops polling.
#pragma once

#include <chrono>
#include <string>

#include "download/download_engine.h"
#include "text/text.h"

namespace ld::faults {

// What the user would see when the queue stopped polling.
enum class Shown {
    Finished,  // the row reads "下载完毕"
    Failed,    // the state line reads "已取消"
    Unsettled  // neither before the deadline
};

Shown downloadThroughQueue(DownloadEngine& engine, const Text& title, const Text& address,
                           const std::string& folderUtf8, std::chrono::milliseconds deadline);

// The file the queue saves a title under, in the folder.
std::string savedFilePath(const std::string& folderUtf8, const Text& title);

}  // namespace ld::faults
