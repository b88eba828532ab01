// The download queue with its list edits wired to an in-memory window and an
// in-memory engine, and what a test does there as the user: shared by the
// queue's test files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "download/download_queue_state.h"
#include "download/queue/download_list_edits.h"
#include "download/queue/download_queue.h"
#include "memory_engine.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"
#include "window/shared_state.h"

namespace ld::testing {

// A save folder as the queue hands it to the engine: followed by the system's
// separator ("\\" on Windows, "/" elsewhere).
inline std::string withSeparator(std::string folder) {
#if defined(_WIN32)
    return folder + '\\';
#else
    return folder + '/';
#endif
}

class QueueFixture : public ::testing::Test {
  protected:
    // `saveFolderUtf8` goes into the save-folder box.
    explicit QueueFixture(const char* saveFolderUtf8) {
        wireDownloadQueueEvents(window, engine, shared, state);
        wireDownloadListEdits(window, shared);
        window.setText(kSaveFolderBox, gbk(saveFolderUtf8));
    }

    // A download row with its title and address, as the parse list hands it over.
    void addRow(const std::string& title, const std::string& address) {
        const int row = window.appendRow(kDownloadList);
        window.setCellText(kDownloadList, row, kDownloadTitleColumn, gbk(title));
        window.setCellText(kDownloadList, row, kDownloadAddressColumn, gbk(address));
    }
    std::string cell(int row, int column) {
        return gbkToUtf8(window.getCellText(kDownloadList, row, column));
    }
    std::string text(Control control) { return gbkToUtf8(window.getText(control)); }
    std::vector<std::string> messages() {
        std::vector<std::string> out;
        for (const Text& message : window.messages()) {
            out.push_back(gbkToUtf8(message));
        }
        return out;
    }
    void start() { ASSERT_TRUE(window.fire(kStartClicked)); }
    void tick() { ASSERT_TRUE(window.fire(kPollTick)); }
    void pauseButton() { ASSERT_TRUE(window.fire(kPauseClicked)); }
    // The user double-clicks a row of the download list, which removes it.
    void removeRow(int row) {
        window.selectRow(kDownloadList, row);
        ASSERT_TRUE(window.fire(kDownloadListDoubleClicked));
    }
    // The last task's file is complete and the next tick sees it.
    void finishLastTask(std::int64_t size = 1048576) {
        engine.task(engine.lastHandle()).state = 4;
        engine.task(engine.lastHandle()).totalSize = size;
        tick();
    }

    MemoryEngine engine;
    SharedState shared;
    DownloadQueueState state;
    MemoryWindow window;
};

}  // namespace ld::testing
