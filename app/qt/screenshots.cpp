#include "app/qt/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include "app/qt/main_window.h"
#include "app/qt/tab_control.h"
#include "app/screenshot_files.h"

namespace ld {

bool saveScreenshots(const QString& folder) {
    const QDir target(folder);
    if (!target.mkpath(QStringLiteral("."))) {
        return false;
    }
    MainWindow window;
    window.show();
    bool saved = true;
    for (int page = 0; page < static_cast<int>(kScreenshotFiles.size()); ++page) {
        window.tabControl().setCurrentIndex(page);
        QApplication::processEvents();
        const QPixmap picture = window.grab();
        saved = picture.save(target.filePath(QString::fromLatin1(kScreenshotFiles[page])), "PNG") &&
                saved;
    }
    return saved;
}

}  // namespace ld
