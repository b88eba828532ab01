// 选择夹1: a tab strip over pages whose controls are placed relative to the
// tab control's own top-left corner (the strip included), the way the window's
// layout gives them. Each page covers the whole control; the strip stays on
// top so its tabs remain clickable, and a control on a page may sit in the
// strip to the right of the tabs (透明标签1 does).
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

class QTabBar;

namespace ld {

class TabControl : public QWidget {
  public:
    TabControl(const QStringList& titles, QWidget* parent);

    [[nodiscard]] int count() const { return static_cast<int>(pages_.size()); }
    [[nodiscard]] QWidget* page(int index) const;
    [[nodiscard]] int currentIndex() const;
    void setCurrentIndex(int index);
    [[nodiscard]] QTabBar* tabBar() const { return tabBar_; }
    // Height of the tab strip; the pages' frame begins below it.
    static constexpr int kStripHeight = 24;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void showPage(int index);

    QTabBar* tabBar_;
    std::vector<QWidget*> pages_;  // children of this widget
};

}  // namespace ld
