#include "app/qt/application.h"

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "app/qt/main_window.h"
#include "app/qt/screenshots.h"
#include "app/seam/download_list_edits.h"
#include "app/seam/shared_state.h"

namespace ld {
namespace {

constexpr const char* kScreenshotsOption = "--screenshots";

bool wantsScreenshots(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kScreenshotsOption) == 0) {
            return true;
        }
    }
    return false;
}

int runScreenshots(const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QLatin1String(kScreenshotsOption));
    if (at + 1 >= arguments.size()) {
        std::fputs("usage: lecture-downloader --screenshots <folder>\n", stderr);
        return 2;
    }
    const QString folder = arguments[at + 1];
    if (!saveScreenshots(folder)) {
        std::fprintf(stderr, "could not write the screenshots into %s\n",
                     folder.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

}  // namespace

int runApplication(int argc, char** argv) {
    // Pictures need no display: without a chosen platform, draw off screen.
    if (wantsScreenshots(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (wantsScreenshots(argc, argv)) {
        return runScreenshots(QApplication::arguments());
    }

    SharedState state;
    MainWindow window;
    wireDownloadListEdits(window, state);
    window.fire(Event::created);
    window.show();
    const int exitCode = QApplication::exec();
    window.shutDown();
    return exitCode;
}

}  // namespace ld
