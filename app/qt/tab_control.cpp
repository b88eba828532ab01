#include "app/qt/tab_control.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>

namespace ld {

TabControl::TabControl(const QStringList& titles, QWidget* parent)
    : QWidget(parent), tabBar_(new QTabBar(this)) {
    for (const QString& title : titles) {
        auto* page = new QWidget(this);
        page->setObjectName(QStringLiteral("page%1").arg(pages_.size()));
        page->setAutoFillBackground(false);  // the frame shows through
        pages_.push_back(page);
        tabBar_->addTab(title);
    }
    tabBar_->setDrawBase(false);
    tabBar_->setExpanding(false);
    connect(tabBar_, &QTabBar::currentChanged, this, &TabControl::showPage);
    showPage(0);
}

QWidget* TabControl::page(int index) const {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return pages_[static_cast<std::size_t>(index)];
}

int TabControl::currentIndex() const {
    return tabBar_->currentIndex();
}

void TabControl::setCurrentIndex(int index) {
    tabBar_->setCurrentIndex(index);
}

void TabControl::showPage(int index) {
    for (int i = 0; i < count(); ++i) {
        page(i)->setVisible(i == index);
    }
    tabBar_->raise();
}

void TabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QWidget* page : pages_) {
        page->setGeometry(rect());
    }
    const QSize strip = tabBar_->sizeHint();
    tabBar_->setGeometry(0, 0, strip.width(), kStripHeight);
}

void TabControl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, kStripHeight - 1, 0, 0);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = QSize(tabBar_->width(), kStripHeight);
    frame.tabBarRect = tabBar_->geometry();
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

}  // namespace ld
