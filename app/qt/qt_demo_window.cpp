#include "app/qt/qt_demo_window.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPixmap>
#include <QString>
#include <cstdio>
#include <string_view>

#include "app/qt/main_window.h"
#include "app/qt/tab_control.h"

namespace ld {
namespace {

void printLine(std::string_view utf8Line) {
    std::fwrite(utf8Line.data(), 1, utf8Line.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

QtDemoWindow::QtDemoWindow(MainWindow& window, const std::filesystem::path& folder)
    : window_(window), autopilot_(*this, folder, printLine) {
    poll_.setInterval(DemoAutopilot::kPollEvery);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
        autopilot_.step();
        if (autopilot_.finished()) {
            poll_.stop();
        }
    });
    poll_.start();
}

Controls& QtDemoWindow::controls() {
    return window_;
}

void QtDemoWindow::click(Control button) {
    if (auto* widget = qobject_cast<QAbstractButton*>(&window_.widget(button))) {
        widget->click();
    }
}

void QtDemoWindow::showPage(int page) {
    window_.tabControl().setCurrentIndex(page);
}

int QtDemoWindow::currentPage() {
    return window_.tabControl().currentIndex();
}

bool QtDemoWindow::savePicture(int page, const std::filesystem::path& file) {
    showPage(page);
    const std::u8string name = file.u8string();
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(name.data()),
                                           static_cast<qsizetype>(name.size()));
    return window_.grab().save(path, "PNG");
}

void QtDemoWindow::answerDialogs(std::function<Text(const Text& prompt)> chooseFolder,
                                 std::function<void(const Text& text)> showMessage) {
    window_.setDialogAnswers({std::move(chooseFolder), std::move(showMessage)});
}

void QtDemoWindow::endRun(int exitCode) {
    poll_.stop();
    QCoreApplication::exit(exitCode);
}

}  // namespace ld
