// Carries calls from worker threads to the window's thread.
//
// A worker hands its call to `runAndWait`, which queues it, asks the window's
// thread to run the queue (the `wake` callback) and blocks until the call has
// run. The window's thread runs queued calls one at a time, oldest first, from
// `runPending`. Once `close` has been called nothing more is run: queued calls
// and every later one return at once without running, so a window that is
// going away never leaves a worker waiting.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

namespace ld {

class CallQueue {
  public:
    // `wake` is called (with the queue's lock held, never after `close`) each
    // time a call is queued; it must make the window's thread call
    // runPending() soon and must not call back into the queue.
    explicit CallQueue(std::function<void()> wake);
    CallQueue(const CallQueue&) = delete;
    CallQueue& operator=(const CallQueue&) = delete;
    ~CallQueue();

    void setWindowThread(std::thread::id id) noexcept { windowThread_.store(id); }
    [[nodiscard]] bool onWindowThread() const noexcept {
        return std::this_thread::get_id() == windowThread_.load();
    }

    // Runs `body` on the window's thread -- directly when already there -- and
    // returns its result, or `fallback` when the queue is closed.
    template <typename Body, typename Result = std::invoke_result_t<Body&>>
    Result call(Body&& body, Result fallback);
    void call(const std::function<void()>& body);

    // From any thread but the window's: runs `call` on the window's thread and
    // returns true when it has run; false (at once) when the queue is closed.
    bool runAndWait(std::function<void()> call);

    // On the window's thread: runs the calls queued so far, one at a time.
    void runPending();
    // For a thread that does nothing else: waits for a call and runs it.
    // Returns false once the queue is closed.
    bool runNextOrWait();

    // Stops running calls: queued ones are dropped and their callers released
    // with false, later ones are refused. Then waits until every caller has
    // left runAndWait, except those whose call is running right now on this
    // (the window's) thread further up the stack.
    void close();
    [[nodiscard]] bool closed() const;
    // Callers currently waiting in runAndWait (for tests).
    [[nodiscard]] std::size_t waitingCallers() const;

  private:
    struct Call {
        std::function<void()> body;
        bool finished = false;
        bool dropped = false;
    };

    // Pops the oldest call and runs it; false when there was none.
    bool runOne(std::unique_lock<std::mutex>& lock);

    std::function<void()> wake_;
    std::atomic<std::thread::id> windowThread_{};
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Call>> queue_;
    bool closed_ = false;
    std::size_t callersInside_ = 0;
    std::size_t runningCalls_ = 0;
};

template <typename Body, typename Result>
Result CallQueue::call(Body&& body, Result fallback) {
    if (onWindowThread()) {
        return body();
    }
    std::optional<Result> result;
    runAndWait([&] { result.emplace(body()); });
    return result ? std::move(*result) : std::move(fallback);
}

}  // namespace ld
