#include "app/qt/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <array>

#include "app/qt/main_window.h"
#include "app/qt/tab_control.h"

namespace ld {

bool saveScreenshots(const QString& folder) {
    const QDir target(folder);
    if (!target.mkpath(QStringLiteral("."))) {
        return false;
    }
    constexpr std::array<const char*, 3> kFiles = {"page-0-parse.png", "page-1-downloads.png",
                                                   "page-2-about.png"};
    MainWindow window;
    window.show();
    bool saved = true;
    for (int page = 0; page < static_cast<int>(kFiles.size()); ++page) {
        window.tabControl().setCurrentIndex(page);
        QApplication::processEvents();
        const QPixmap picture = window.grab();
        saved = picture.save(target.filePath(QString::fromLatin1(kFiles[page])), "PNG") && saved;
    }
    return saved;
}

}  // namespace ld
