#include "app/qt/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "window/window_layout.h"

namespace ld {

// A blue tile with a white play triangle above a green download arrow.
QPixmap drawAppIcon(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    QLinearGradient tile(0, 0, 0, s);
    tile.setColorAt(0, QColor(0x3a, 0x8d, 0xde));
    tile.setColorAt(1, QColor(0x1b, 0x4f, 0x9c));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(0.03 * s, 0.03 * s, 0.94 * s, 0.94 * s), 0.18 * s, 0.18 * s);

    QPainterPath play;
    play.moveTo(0.30 * s, 0.16 * s);
    play.lineTo(0.30 * s, 0.60 * s);
    play.lineTo(0.68 * s, 0.38 * s);
    play.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(play);

    QPainterPath arrow;
    arrow.moveTo(0.60 * s, 0.56 * s);
    arrow.lineTo(0.76 * s, 0.56 * s);
    arrow.lineTo(0.76 * s, 0.70 * s);
    arrow.lineTo(0.88 * s, 0.70 * s);
    arrow.lineTo(0.68 * s, 0.90 * s);
    arrow.lineTo(0.48 * s, 0.70 * s);
    arrow.lineTo(0.60 * s, 0.70 * s);
    arrow.closeSubpath();
    painter.setBrush(QColor(0x4c, 0xd9, 0x64));
    painter.setPen(QPen(Qt::white, std::max(1.0, 0.025 * s)));
    painter.drawPath(arrow);
    return picture;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : layout::kIconSizes) {
        icon.addPixmap(drawAppIcon(size));
    }
    return icon;
}

}  // namespace ld
