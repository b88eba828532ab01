// The program's one window, built from the control table of
// window/window_layout.h, and its control operations.
//
// The window's thread is the thread that created it (the GUI thread). A
// control operation from another thread is queued for the GUI thread, which
// runs it from its event loop while the caller waits. When the window goes
// away (shutDown, run by the destructor at the latest) waiting callers are
// released and every later call from another thread returns a default at once.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "app/qt/sound_player.h"
#include "window/call_queue.h"
#include "window/controls.h"
#include "window/dialog_answers.h"

class QTimer;

namespace ld {

class ReportList;
class TabControl;

class MainWindow final : public QWidget, public Controls {
  public:
    explicit MainWindow(QWidget* parent = nullptr);
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

    // Runs the event's handler on the GUI thread (directly when called there)
    // and returns whether there was one. The start-up code raises `created`
    // with it; the widgets raise the user events and the timer ticks.
    bool fire(Event event);

    // The window is going away: stops the timer and the sound, releases
    // waiting workers (later calls from other threads get defaults at once)
    // and raises aboutToBeDestroyed. Runs once, on the GUI thread; the
    // destructor runs it if nobody did before.
    void shutDown();
    [[nodiscard]] bool isShutDown() const { return shutDown_; }

    // Answers for the modal dialogs, so tests can run without a user.
    void setDialogAnswers(DialogAnswers answers);

    // The widgets behind the names, for tests and screenshots.
    [[nodiscard]] QWidget& widget(Control control) const;
    [[nodiscard]] ReportList& list(List list) const;
    [[nodiscard]] TabControl& tabControl() const { return *tabs_; }
    [[nodiscard]] QTimer& timer() const { return *timer_; }
    // Callers from other threads waiting for the GUI thread.
    [[nodiscard]] std::size_t waitingCallers() const { return calls_.waitingCallers(); }

  private:
    void buildControls();
    void connectEvents();
    void centreOnScreen();

    template <typename Body, typename Result = std::invoke_result_t<Body&>>
    Result onWindow(Body&& body, Result fallback) {
        return calls_.call(std::forward<Body>(body), std::move(fallback));
    }
    void onWindow(const std::function<void()>& body) { calls_.call(body); }

    // Declared first so it is destroyed last: a worker's call that arrives while
    // the other members are torn down still finds a closed queue.
    CallQueue calls_;
    std::array<QWidget*, kControlCount> controls_{};  // children of this window
    std::array<ReportList*, kListCount> lists_{};
    TabControl* tabs_ = nullptr;
    QTimer* timer_ = nullptr;
    int interval_ = 0;
    std::array<Handler, kEventCount> handlers_;
    DialogAnswers answers_;
    SoundPlayer sound_;
    bool shutDown_ = false;
};

}  // namespace ld
