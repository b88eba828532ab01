// A window without a toolkit: the controls as plain data, owned by a "window
// thread" of its own, for driving the program's logic in tests.
//
// It keeps the threading contract of the real window: a control operation
// from another thread runs on the window thread while the caller waits; one
// made on the window thread (from a handler) runs directly; `atomically` runs
// its group as one step. Tests play the user through `fire` (clicks,
// double-clicks, timer ticks) and the helpers below. The timer never ticks by
// itself: a test fires Event::时钟1Tick when it wants a tick.
//
// Destruction closes the window: calls still waiting, and every later one,
// return defaults at once. It then waits for the workers started through
// startWorker to end (they get defaults now, so they end quickly), so no
// worker of a test outlives the window it talks to.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "window/call_queue.h"
#include "window/controls.h"

namespace ld {

class MemoryWindow final : public Controls {
  public:
    MemoryWindow();
    MemoryWindow(const MemoryWindow&) = delete;
    MemoryWindow& operator=(const MemoryWindow&) = delete;
    ~MemoryWindow() override;

    // Controls
    void setText(Control control, const Text& text) override;
    Text getText(Control control) override;
    void setEnabled(Control control, bool enabled) override;
    bool isEnabled(Control control) override;
    void setInterval(int milliseconds) override;
    int interval() override;
    int rowCount(List list) override;
    int appendRow(List list) override;
    void setCellText(List list, int row, int column, const Text& text) override;
    Text getCellText(List list, int row, int column) override;
    void deleteRow(List list, int row) override;
    void deleteAllRows(List list) override;
    int selectedRow(List list) override;
    Text chooseFolder(const Text& prompt) override;
    void showMessage(const Text& text) override;
    void playSound(std::span<const std::uint8_t> wavImage) override;
    void startWorker(Handler entry) override;
    void atomically(const Handler& group) override;
    void setHandler(Event event, Handler handler) override;

    // --- What a test does as the user ---
    // Runs the event's handler on the window thread and waits for it; false
    // when no handler is installed (or the window is closed).
    bool fire(Event event);
    // Selects one row, as a click would; -1 (or an absent row) clears the selection.
    void selectRow(List list, int row);
    // What the next chooseFolder calls answer (empty: the user cancels).
    void setChosenFolder(const Text& folder);

    // --- What a test reads back ---
    [[nodiscard]] std::vector<Text> messages();       // every showMessage text, oldest first
    [[nodiscard]] std::vector<Text> folderPrompts();  // every chooseFolder prompt
    [[nodiscard]] std::vector<std::vector<std::uint8_t>> soundsPlayed();
    [[nodiscard]] std::vector<std::vector<Text>> rows(List list);  // every cell
    [[nodiscard]] int columnCount(List list);
    [[nodiscard]] bool onWindowThread() const noexcept { return calls_.onWindowThread(); }
    // Waits until every worker started through startWorker has returned;
    // false if some still run after `timeout`.
    bool waitForWorkers(std::chrono::milliseconds timeout);
    // Closes the window as its destruction would, without freeing it: later
    // calls from other threads return defaults at once.
    void close();
    // Callers from other threads waiting for the window thread (for tests).
    [[nodiscard]] std::size_t waitingCallers() const { return calls_.waitingCallers(); }

  private:
    struct ControlState {
        Text text;
        bool enabled = true;
    };
    struct ListState {
        int columns = 0;
        std::vector<std::vector<Text>> rows;
        int selected = -1;
    };
    struct Workers {
        std::mutex mutex;
        std::condition_variable ended;
        int running = 0;
        bool closed = false;  // no new worker starts once set
    };

    template <typename Body, typename Result = std::invoke_result_t<Body&>>
    Result onWindow(Body&& body, Result fallback) {
        return calls_.call(std::forward<Body>(body), std::move(fallback));
    }
    void onWindow(const std::function<void()>& body) { calls_.call(body); }

    ControlState& state(Control control);
    ListState& state(List list);
    [[nodiscard]] bool hasRow(List list, int row);

    // Touched only on the window thread.
    std::array<ControlState, kControlCount> controls_;
    std::array<ListState, kListCount> lists_;
    std::array<Handler, kEventCount> handlers_;
    int interval_ = 0;
    Text chosenFolder_;
    std::vector<Text> messages_;
    std::vector<Text> folderPrompts_;
    std::vector<std::vector<std::uint8_t>> sounds_;

    std::shared_ptr<Workers> workers_ = std::make_shared<Workers>();
    CallQueue calls_{nullptr};
    std::thread windowThread_;
};

}  // namespace ld
