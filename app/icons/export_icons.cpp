// Build tool: writes the program's icon as PNG files for the desktop's icon
// theme, <folder>/<n>x<n>/apps/lecture-downloader.png for every size the
// window uses. The pictures come from the same drawing as the window's icon.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>
#include <cstdio>

#include "app/qt/app_icon.h"
#include "window/window_layout.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <icon theme folder>\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QGuiApplication application(argc, argv);
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    for (const int size : ld::layout::kIconSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!theme.mkpath(folder)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(theme.filePath(folder)));
            return 1;
        }
        const QString file = theme.filePath(folder + QStringLiteral("/lecture-downloader.png"));
        if (!ld::drawAppIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
