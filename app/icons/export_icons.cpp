// Build tool: writes the program's icon as PNG files for the desktop's icon
// theme, <folder>/<n>x<n>/apps/lecture-downloader.png for every size the
// window uses, and, when asked, one Windows icon file holding every size (the
// icon the Windows program and its window carry). The pictures come from the
// same drawing as the window's icon.
//
//   ld_icon_export <icon theme folder> [<icon file .ico>]
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/qt/app_icon.h"
#include "window/window_layout.h"

namespace {

QByteArray pngOf(int size) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ld::drawAppIcon(size).toImage().save(&buffer, "PNG");
    return png;
}

void putLe(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// An .ico file: the icon directory, then each size as a PNG image (which every
// Windows since Vista reads in an icon file).
QByteArray iconFile() {
    std::vector<QByteArray> images;
    for (const int size : ld::layout::kIconSizes) {
        images.push_back(pngOf(size));
    }
    QByteArray out;
    putLe(out, 0, 2);  // reserved
    putLe(out, 1, 2);  // type: icon
    putLe(out, static_cast<std::uint32_t>(images.size()), 2);
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto size = static_cast<std::uint32_t>(ld::layout::kIconSizes[i]);
        putLe(out, size >= 256 ? 0 : size, 1);  // width, 0 meaning 256
        putLe(out, size >= 256 ? 0 : size, 1);  // height
        putLe(out, 0, 1);                       // no palette
        putLe(out, 0, 1);                       // reserved
        putLe(out, 1, 2);                       // colour planes
        putLe(out, 32, 2);                      // bits per pixel
        putLe(out, static_cast<std::uint32_t>(images[i].size()), 4);
        putLe(out, offset, 4);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const QByteArray& image : images) {
        out.append(image);
    }
    return out;
}

bool writeThemeFiles(const QDir& theme) {
    for (const int size : ld::layout::kIconSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!theme.mkpath(folder)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(theme.filePath(folder)));
            return false;
        }
        const QString file = theme.filePath(folder + QStringLiteral("/lecture-downloader.png"));
        if (!ld::drawAppIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <icon theme folder> [<icon file .ico>]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QGuiApplication application(argc, argv);
    if (!writeThemeFiles(QDir(QString::fromLocal8Bit(argv[1])))) {
        return 1;
    }
    if (argc == 3) {
        QFile ico(QString::fromLocal8Bit(argv[2]));
        if (!ico.open(QIODevice::WriteOnly) || ico.write(iconFile()) < 0) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
    }
    return 0;
}
