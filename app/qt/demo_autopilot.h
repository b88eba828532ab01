// The demo's autopilot: plays the user on the real window, for a machine
// without a display (or anyone who wants to watch the flow run by itself).
//
//   lecture-downloader --demo-autopilot <folder>
//
// clicks "搜索" with the default course address, waits for "解析完成",
// clicks "删除失败" and "一键加入下载列表", chooses <folder>/downloads
// through "浏览", clicks "开始下载" and waits until every row reads
// "下载完毕". It prints each stage and the files written on standard output,
// saves a picture of each stage into <folder>, and ends the program with exit
// code 0, or 1 when a stage fails or takes too long.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <vector>

#include "window/control_names.h"

namespace ld {

class MainWindow;

// Works from the event loop and must live until the loop has ended.
class DemoAutopilot {
  public:
    DemoAutopilot(MainWindow& window, const QString& folder);
    DemoAutopilot(const DemoAutopilot&) = delete;
    DemoAutopilot& operator=(const DemoAutopilot&) = delete;
    ~DemoAutopilot() = default;

  private:
    enum class Stage { search, waitForAddresses, waitForDownloads, done };

    void step();
    void search();
    void waitForAddresses();
    void queueAndStart();
    void waitForDownloads();
    void finish(int exitCode, const QString& why);

    void click(Control button);
    void picture(int page, const QString& fileName);
    void listWrittenFiles();
    [[nodiscard]] QString text(Control control) const;
    [[nodiscard]] QString cell(List list, int row, int column) const;

    MainWindow& window_;
    QDir folder_;
    QDir downloads_;
    Stage stage_ = Stage::search;
    QTimer poll_;
    QElapsedTimer stageClock_;
    std::vector<bool> reported_;  // download rows whose completion was printed
    bool progressPictured_ = false;
};

}  // namespace ld
