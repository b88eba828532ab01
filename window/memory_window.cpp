#include "window/memory_window.h"

#include <system_error>
#include <utility>

#include "text/codepage.h"
#include "window/window_layout.h"

namespace ld {

MemoryWindow::MemoryWindow() {
    for (const layout::ControlEntry& entry : layout::windowControls()) {
        if (entry.control) {
            ControlState& control = state(*entry.control);
            control.text = utf8ToGbk(entry.initialText);
            control.enabled = entry.initiallyEnabled;
        }
        if (entry.list) {
            state(*entry.list).columns = static_cast<int>(layout::columns(*entry.list).size());
        }
    }
    windowThread_ = std::thread([this] {
        while (calls_.runNextOrWait()) {
        }
    });
    calls_.setWindowThread(windowThread_.get_id());
}

MemoryWindow::~MemoryWindow() {
    close();
    if (windowThread_.joinable()) {
        windowThread_.join();
    }
    std::unique_lock lock(workers_->mutex);
    workers_->ended.wait(lock, [&] { return workers_->running == 0; });
}

void MemoryWindow::close() {
    {
        std::lock_guard lock(workers_->mutex);
        workers_->closed = true;
    }
    calls_.close();
}

MemoryWindow::ControlState& MemoryWindow::state(Control control) {
    return controls_[static_cast<std::size_t>(control)];
}

MemoryWindow::ListState& MemoryWindow::state(List list) {
    return lists_[static_cast<std::size_t>(list)];
}

bool MemoryWindow::hasRow(List list, int row) {
    return row >= 0 && row < static_cast<int>(state(list).rows.size());
}

void MemoryWindow::setText(Control control, const Text& text) {
    onWindow([&] { state(control).text = text; });
}

Text MemoryWindow::getText(Control control) {
    return onWindow([&] { return state(control).text; }, Text());
}

void MemoryWindow::setEnabled(Control control, bool enabled) {
    onWindow([&] { state(control).enabled = enabled; });
}

bool MemoryWindow::isEnabled(Control control) {
    return onWindow([&] { return state(control).enabled; }, false);
}

void MemoryWindow::setInterval(int milliseconds) {
    onWindow([&] { interval_ = milliseconds > 0 ? milliseconds : 0; });
}

int MemoryWindow::interval() {
    return onWindow([&] { return interval_; }, 0);
}

int MemoryWindow::rowCount(List list) {
    return onWindow([&] { return static_cast<int>(state(list).rows.size()); }, 0);
}

int MemoryWindow::appendRow(List list) {
    return onWindow(
        [&] {
            ListState& target = state(list);
            target.rows.emplace_back(static_cast<std::size_t>(target.columns));
            return static_cast<int>(target.rows.size()) - 1;
        },
        -1);
}

void MemoryWindow::setCellText(List list, int row, int column, const Text& text) {
    onWindow([&] {
        if (hasRow(list, row) && column >= 0 && column < state(list).columns) {
            state(list).rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] =
                text;
        }
    });
}

Text MemoryWindow::getCellText(List list, int row, int column) {
    return onWindow(
        [&] {
            if (hasRow(list, row) && column >= 0 && column < state(list).columns) {
                return state(list)
                    .rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
            }
            return Text();
        },
        Text());
}

void MemoryWindow::deleteRow(List list, int row) {
    onWindow([&] {
        if (!hasRow(list, row)) {
            return;
        }
        ListState& target = state(list);
        target.rows.erase(target.rows.begin() + row);
        // The selection stays with its row, as in a list control.
        if (target.selected == row) {
            target.selected = -1;
        } else if (target.selected > row) {
            --target.selected;
        }
    });
}

void MemoryWindow::deleteAllRows(List list) {
    onWindow([&] {
        state(list).rows.clear();
        state(list).selected = -1;
    });
}

int MemoryWindow::selectedRow(List list) {
    return onWindow([&] { return state(list).selected; }, -1);
}

Text MemoryWindow::chooseFolder(const Text& prompt) {
    return onWindow(
        [&] {
            folderPrompts_.push_back(prompt);
            return chosenFolder_;
        },
        Text());
}

void MemoryWindow::showMessage(const Text& text) {
    onWindow([&] { messages_.push_back(text); });
}

void MemoryWindow::playSound(std::span<const std::uint8_t> wavImage) {
    onWindow([&] { sounds_.emplace_back(wavImage.begin(), wavImage.end()); });
}

void MemoryWindow::startWorker(Handler entry) {
    {
        std::lock_guard lock(workers_->mutex);
        if (workers_->closed) {
            return;  // the window is gone: the worker would only get defaults
        }
        ++workers_->running;
    }
    auto ended = [](Workers& workers) {
        std::lock_guard lock(workers.mutex);
        --workers.running;
        workers.ended.notify_all();
    };
    try {
        std::thread([workers = workers_, body = std::move(entry), ended]() mutable {
            body();
            body = nullptr;  // release what the entry holds before counting it ended
            ended(*workers);
        }).detach();
    } catch (const std::system_error&) {
        ended(*workers_);  // no thread to be had: the worker does not run
    }
}

void MemoryWindow::atomically(const Handler& group) {
    onWindow(group);
}

void MemoryWindow::setHandler(Event event, Handler handler) {
    onWindow([&] { handlers_[static_cast<std::size_t>(event)] = std::move(handler); });
}

bool MemoryWindow::fire(Event event) {
    return onWindow(
        [&] {
            // A copy, so a handler may replace itself while it runs.
            const Handler handler = handlers_[static_cast<std::size_t>(event)];
            if (!handler) {
                return false;
            }
            handler();
            return true;
        },
        false);
}

void MemoryWindow::selectRow(List list, int row) {
    onWindow([&] { state(list).selected = hasRow(list, row) ? row : -1; });
}

void MemoryWindow::setChosenFolder(const Text& folder) {
    onWindow([&] { chosenFolder_ = folder; });
}

std::vector<Text> MemoryWindow::messages() {
    return onWindow([&] { return messages_; }, std::vector<Text>());
}

std::vector<Text> MemoryWindow::folderPrompts() {
    return onWindow([&] { return folderPrompts_; }, std::vector<Text>());
}

std::vector<std::vector<std::uint8_t>> MemoryWindow::soundsPlayed() {
    return onWindow([&] { return sounds_; }, std::vector<std::vector<std::uint8_t>>());
}

std::vector<std::vector<Text>> MemoryWindow::rows(List list) {
    return onWindow([&] { return state(list).rows; }, std::vector<std::vector<Text>>());
}

int MemoryWindow::columnCount(List list) {
    return onWindow([&] { return state(list).columns; }, 0);
}

bool MemoryWindow::waitForWorkers(std::chrono::milliseconds timeout) {
    std::unique_lock lock(workers_->mutex);
    return workers_->ended.wait_for(lock, timeout, [&] { return workers_->running == 0; });
}

}  // namespace ld
