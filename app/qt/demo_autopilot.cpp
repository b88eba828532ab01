#include "app/qt/demo_autopilot.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPixmap>
#include <chrono>
#include <cstdio>

#include "app/qt/main_window.h"
#include "app/qt/qt_text.h"
#include "app/qt/tab_control.h"
#include "text/codepage.h"
#include "window/control_aliases.h"

namespace ld {
namespace {

using namespace std::chrono_literals;

constexpr auto kPollEvery = 100ms;
constexpr qint64 kAddressesWithinMs = 120'000;
constexpr qint64 kDownloadsWithinMs = 900'000;

void say(const QString& line) {
    std::fputs(("demo: " + line + "\n").toUtf8().constData(), stdout);
    std::fflush(stdout);
}

}  // namespace

DemoAutopilot::DemoAutopilot(MainWindow& window, const QString& folder)
    : window_(window), folder_(folder), downloads_(QDir(folder).filePath("downloads")) {
    folder_.mkpath(".");
    downloads_.mkpath(".");
    // Nobody is there to answer the dialogs: the folder picker chooses the
    // demo's folder and a message box is printed instead of waiting for OK.
    const QString chosen = downloads_.absolutePath();
    window_.setDialogAnswers(
        {[chosen](const Text&) { return fromQString(chosen); },
         [](const Text& message) { say("message box: " + toQString(message)); }});
    poll_.setInterval(kPollEvery);
    QObject::connect(&poll_, &QTimer::timeout, [this] { step(); });
    poll_.start();
    stageClock_.start();
}

void DemoAutopilot::step() {
    switch (stage_) {
        case Stage::search:
            search();
            break;
        case Stage::waitForAddresses:
            waitForAddresses();
            break;
        case Stage::waitForDownloads:
            waitForDownloads();
            break;
        case Stage::done:
            break;
    }
}

void DemoAutopilot::search() {
    window_.tabControl().setCurrentIndex(0);
    say("1. course address: " + text(kCourseAddressBox));
    say("   clicking 搜索 (search)");
    click(kSearchButton);
    stage_ = Stage::waitForAddresses;
    stageClock_.restart();
}

void DemoAutopilot::waitForAddresses() {
    if (text(kParseStatusLabel) != QStringLiteral("解析完成")) {
        if (stageClock_.elapsed() > kAddressesWithinMs) {
            finish(1, "no 解析完成 after " + QString::number(kAddressesWithinMs / 1000) +
                          " s; the status line reads: " + text(kParseStatusLabel));
        }
        return;
    }
    const int rows = window_.rowCount(kParseList);
    say("2. " + text(kParseStatusLabel) + " (resolved): " + QString::number(rows) + " lectures");
    for (int row = 0; row < rows; ++row) {
        say("   " + cell(kParseList, row, kParseNumberColumn) + "  " +
            cell(kParseList, row, kParseTitleColumn) + "  ->  " +
            cell(kParseList, row, kParseAddressColumn));
    }
    picture(0, "1-parsed.png");
    queueAndStart();
}

void DemoAutopilot::queueAndStart() {
    const int before = window_.rowCount(kParseList);
    click(kRemoveFailedButton);
    say("3. clicked 删除失败 (remove failures): " +
        QString::number(before - window_.rowCount(kParseList)) + " row(s) removed");
    click(kAddAllButton);
    say("   clicked 一键加入下载列表 (add all): " +
        QString::number(window_.rowCount(kDownloadList)) + " rows in the download list");
    window_.tabControl().setCurrentIndex(1);

    click(kBrowseButton);
    say("   chose the folder through 浏览: " + text(kSaveFolderBox));
    picture(1, "2-download-list.png");

    say("4. clicking 开始下载 (start)");
    click(kStartButton);
    reported_.assign(static_cast<std::size_t>(window_.rowCount(kDownloadList)), false);
    stage_ = Stage::waitForDownloads;
    stageClock_.restart();
}

void DemoAutopilot::waitForDownloads() {
    const int rows = window_.rowCount(kDownloadList);
    int finished = 0;
    for (int row = 0; row < rows; ++row) {
        const QString status = cell(kDownloadList, row, kDownloadStatusColumn);
        const auto index = static_cast<std::size_t>(row);
        if (status == QStringLiteral("下载完毕")) {
            ++finished;
            if (index < reported_.size() && !reported_[index]) {
                reported_[index] = true;
                say("   [" + QString::number(row + 1) + "/" + QString::number(rows) + "] " +
                    status + "  " + cell(kDownloadList, row, kDownloadSizeColumn) + "  " +
                    cell(kDownloadList, row, kDownloadTitleColumn));
            }
        }
    }
    if (!progressPictured_ && text(kTaskStateLabel) == QStringLiteral("下载中")) {
        progressPictured_ = true;
        say("   " + text(kTaskStateLabel) + "  " + text(kSpeedLabel));
        picture(1, "3-downloading.png");
    }
    if (text(kTaskStateLabel) == QStringLiteral("已取消") && window_.interval() == 0) {
        finish(1, "the queue stopped: 已取消");
        return;
    }
    if (rows > 0 && finished == rows && window_.interval() == 0) {
        say("5. every row reads 下载完毕; " + text(kSpeedLabel));
        picture(1, "4-finished.png");
        picture(2, "5-about.png");
        listWrittenFiles();
        finish(0, QString());
        return;
    }
    if (stageClock_.elapsed() > kDownloadsWithinMs) {
        finish(1,
               "downloads not finished after " + QString::number(kDownloadsWithinMs / 1000) + " s");
    }
}

void DemoAutopilot::finish(int exitCode, const QString& why) {
    poll_.stop();
    stage_ = Stage::done;
    if (exitCode != 0) {
        picture(window_.tabControl().currentIndex(), "failed.png");
        say("FAILED: " + why);
    } else {
        say("done.");
    }
    QCoreApplication::exit(exitCode);
}

void DemoAutopilot::click(Control button) {
    if (auto* widget = qobject_cast<QAbstractButton*>(&window_.widget(button))) {
        widget->click();
    }
}

void DemoAutopilot::picture(int page, const QString& fileName) {
    window_.tabControl().setCurrentIndex(page);
    const QString path = folder_.filePath(fileName);
    if (window_.grab().save(path, "PNG")) {
        say("   picture: " + path);
    } else {
        say("   could not save " + path);
    }
}

void DemoAutopilot::listWrittenFiles() {
    say("   files in " + downloads_.absolutePath() + ":");
    const QFileInfoList files = downloads_.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        say("     " + QString::number(file.size()).rightJustified(10) + "  " + file.fileName());
    }
}

QString DemoAutopilot::text(Control control) const {
    return toQString(window_.getText(control));
}

QString DemoAutopilot::cell(List list, int row, int column) const {
    return toQString(window_.getCellText(list, row, column));
}

}  // namespace ld
