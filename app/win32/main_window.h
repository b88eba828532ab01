// The program's one window on Windows, built from the control table of
// window/window_layout.h out of the system's own controls (comctl32), and its
// control operations.
//
// The window's thread is the thread that created it; it must run a message
// loop. A control operation from another thread is queued for the window's
// thread and a posted message wakes it; the caller waits until it has run.
// When the window goes away (shutDown, run by WM_DESTROY and the destructor at
// the latest) waiting callers are released and every later call from another
// thread returns a default at once.
//
// Geometry follows the monitor: the layout's pixels are those of 96 DPI and
// grow with the window's DPI, also when it moves to another monitor.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>

#include "app/win32/dpi_scale.h"
#include "app/win32/report_list.h"
#include "app/win32/tab_pages.h"
#include "app/win32/win32_handles.h"
#include "app/win32/window_fonts.h"
#include "window/call_queue.h"
#include "window/controls.h"
#include "window/dialog_answers.h"

namespace ld::win32 {

class MainWindow final : public Controls {
  public:
    // Creates the window, hidden, centred on the primary monitor. Throws
    // std::runtime_error when the system cannot create it or a control.
    MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

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

    // Runs the event's handler on the window's thread (directly when called
    // there) and returns whether there was one. The start-up code raises
    // `created` with it; the controls raise the user events, the timer its ticks.
    bool fire(Event event);

    // The window is going away: stops the timer and the sound, releases
    // waiting workers (later calls from other threads get defaults at once)
    // and raises aboutToBeDestroyed. Runs once, on the window's thread.
    void shutDown();
    [[nodiscard]] bool isShutDown() const { return shutDown_; }

    // Answers for the modal dialogs, so tests can run without a user.
    void setDialogAnswers(DialogAnswers answers);

    // The calls from here on are for the window's thread only.

    // Shows the window (it is created hidden) and paints it.
    void show();
    // Once the window is destroyed (closed by the user), the thread's message
    // loop ends with exit code 0.
    void endMessageLoopWhenDestroyed() { endLoopWhenDestroyed_ = true; }
    // Runs `tick` on the window's thread every `period`; an empty one stops it.
    void setTicker(std::chrono::milliseconds period, std::function<void()> tick);
    // Closes the window after `delay`, as the user's close box would.
    void closeAfter(std::chrono::milliseconds delay);

    // The controls behind the names, for tests, pictures and the autopilot.
    [[nodiscard]] HWND handle() const { return window_; }
    [[nodiscard]] HWND control(Control control) const;
    [[nodiscard]] const ReportList& list(List list) const;
    [[nodiscard]] TabPages& tabs() { return tabs_; }
    [[nodiscard]] DpiScale scale() const { return scale_; }
    // Callers from other threads waiting for the window's thread.
    [[nodiscard]] std::size_t waitingCallers() const { return calls_.waitingCallers(); }

  private:
    // The window's timers: 时钟1, the ticker and the close after a delay.
    static constexpr UINT_PTR kClockTimer = 1;
    static constexpr UINT_PTR kTickerTimer = 2;
    static constexpr UINT_PTR kCloseTimer = 3;

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void handleCommand(WPARAM wParam);
    void handleNotify(const NMHDR& header);
    void handleTimer(UINT_PTR timer);
    LRESULT labelColours(HWND label, HDC dc);
    void handleDpiChange(UINT dpi, const RECT& suggested);
    void handleDestroy();

    void createWindow();
    void buildControls();
    HWND createControl(const layout::ControlEntry& entry, int id);
    void applyScale(UINT dpi);
    void applyIcons();
    [[nodiscard]] SIZE outerSize() const;
    void centreOnMonitor();

    template <typename Body, typename Result = std::invoke_result_t<Body&>>
    Result onWindow(Body&& body, Result fallback) {
        return calls_.call(std::forward<Body>(body), std::move(fallback));
    }
    void onWindow(const std::function<void()>& body) { calls_.call(body); }

    // Declared first so it is destroyed last: a worker's call that arrives while
    // the other members are torn down still finds a closed queue.
    CallQueue calls_;
    std::atomic<HWND> window_ = nullptr;
    TabPages tabs_;
    std::array<HWND, kControlCount> controls_{};  // children of the window or of tabs_
    std::array<ReportList, kListCount> lists_{};
    std::array<Handler, kEventCount> handlers_;
    int interval_ = 0;
    DialogAnswers answers_;
    DpiScale scale_;
    WindowFonts fonts_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    std::function<void()> ticker_;
    bool endLoopWhenDestroyed_ = false;
    bool shutDown_ = false;
};

}  // namespace ld::win32
