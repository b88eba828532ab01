#include "app/qt/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "app/icon_shape.h"
#include "window/window_layout.h"

namespace ld {

namespace {

QColor toQColor(icon::Colour colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

template <std::size_t n>
QPainterPath closedPath(const std::array<icon::Point, n>& points, qreal side) {
    QPainterPath path;
    path.moveTo(points[0].x * side, points[0].y * side);
    for (std::size_t i = 1; i < n; ++i) {
        path.lineTo(points[i].x * side, points[i].y * side);
    }
    path.closeSubpath();
    return path;
}

}  // namespace

// The shapes of app/icon_shape.h, antialiased.
QPixmap drawAppIcon(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    QLinearGradient tile(0, 0, 0, s);
    tile.setColorAt(0, toQColor(icon::kTileTop));
    tile.setColorAt(1, toQColor(icon::kTileBottom));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(icon::kTileInset * s, icon::kTileInset * s, icon::kTileSide * s,
                                   icon::kTileSide * s),
                            icon::kTileCornerRadius * s, icon::kTileCornerRadius * s);

    painter.setBrush(toQColor(icon::kPlayColour));
    painter.drawPath(closedPath(icon::kPlayTriangle, s));

    painter.setBrush(toQColor(icon::kArrowColour));
    painter.setPen(
        QPen(toQColor(icon::kArrowOutlineColour), std::max(1.0, icon::kArrowOutlineWidth * s)));
    painter.drawPath(closedPath(icon::kArrow, s));
    return picture;
}

QIcon appIcon() {
    QIcon programIcon;
    for (int size : layout::kIconSizes) {
        programIcon.addPixmap(drawAppIcon(size));
    }
    return programIcon;
}

}  // namespace ld
