#include "app/qt/main_window.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <system_error>
#include <thread>

#include "app/qt/app_icon.h"
#include "app/qt/qt_text.h"
#include "app/qt/report_list.h"
#include "app/qt/tab_control.h"
#include "window/window_layout.h"

namespace ld {
namespace {

std::size_t slot(auto enumerator) {
    return static_cast<std::size_t>(enumerator);
}

struct ButtonEvent {
    Control button;
    Event click;
};

constexpr std::array<ButtonEvent, 8> kButtonEvents = {{
    {Control::按钮1, Event::按钮1Clicked},
    {Control::按钮2, Event::按钮2Clicked},
    {Control::按钮3, Event::按钮3Clicked},
    {Control::按钮4, Event::按钮4Clicked},
    {Control::按钮1清空, Event::按钮1清空Clicked},
    {Control::按钮选择, Event::按钮选择Clicked},
    {Control::按钮下载, Event::按钮下载Clicked},
    {Control::按钮暂停, Event::按钮暂停Clicked},
}};

QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Sans Serif")});
    font.setPixelSize(12);
    return font;
}

void applyStyle(QLabel& label, layout::TextStyle style) {
    label.setTextFormat(Qt::PlainText);  // texts from the logic are never markup
    QPalette colours = label.palette();
    switch (style) {
        case layout::TextStyle::red:
            colours.setColor(QPalette::WindowText, Qt::red);
            break;
        case layout::TextStyle::black:
            colours.setColor(QPalette::WindowText, Qt::black);
            break;
        case layout::TextStyle::boldAbout: {
            QFont font = label.font();
            font.setBold(true);
            font.setPixelSize(layout::kAboutFontPixels);
            label.setFont(font);
            label.setAlignment(Qt::AlignCenter);
            break;
        }
        case layout::TextStyle::normal:
            break;
    }
    label.setPalette(colours);
    label.setAutoFillBackground(false);  // transparent: only the text is drawn
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), calls_([this] {
          QMetaObject::invokeMethod(
              this, [this] { calls_.runPending(); }, Qt::QueuedConnection);
      }) {
    calls_.setWindowThread(std::this_thread::get_id());
    setWindowTitle(fromUtf8(layout::kCaption));
    setWindowIcon(appIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    const layout::Size client = layout::clientSize();
    setFixedSize(client.width, client.height);
    setFont(windowFont());
    buildControls();
    connectEvents();
    centreOnScreen();
}

MainWindow::~MainWindow() {
    shutDown();
    // The children outlive this object's members; none may reach a handler now.
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
    for (ReportList* list : lists_) {
        list->onDoubleClick(nullptr);
    }
}

void MainWindow::buildControls() {
    QStringList titles;
    for (std::string_view title : layout::kTabTitles) {
        titles << fromUtf8(title);
    }
    for (const layout::ControlEntry& entry : layout::windowControls()) {
        QWidget* parent = entry.page == layout::kWindowPage ? this : tabs_->page(entry.page);
        const QString text = fromUtf8(entry.initialText);
        QWidget* made = nullptr;
        switch (entry.kind) {
            case layout::Kind::editBox:
                made = new QLineEdit(text, parent);
                break;
            case layout::Kind::button: {
                auto* button = new QPushButton(text, parent);
                button->setAutoDefault(false);
                made = button;
                break;
            }
            case layout::Kind::transparentLabel:
            case layout::Kind::label: {
                auto* label = new QLabel(text, parent);
                applyStyle(*label, entry.style);
                made = label;
                break;
            }
            case layout::Kind::reportList:
                lists_[slot(*entry.list)] = new ReportList(layout::columns(*entry.list), parent);
                made = lists_[slot(*entry.list)];
                break;
            case layout::Kind::tabControl: {
                tabs_ = new TabControl(titles, parent);
                const layout::Size size = layout::tabControlSize();
                tabs_->setGeometry(entry.geometry.left, entry.geometry.top, size.width,
                                   size.height);
                tabs_->setObjectName(fromUtf8(entry.name));
                break;
            }
            case layout::Kind::timer:
                timer_ = new QTimer(this);
                timer_->setObjectName(fromUtf8(entry.name));
                break;
        }
        if (made == nullptr) {
            continue;
        }
        made->setObjectName(fromUtf8(entry.name));
        made->setGeometry(entry.geometry.left, entry.geometry.top, entry.geometry.width,
                          entry.geometry.height);
        made->setEnabled(entry.initiallyEnabled);
        if (entry.control) {
            controls_[slot(*entry.control)] = made;
        }
    }
    tabs_->tabBar()->raise();
}

void MainWindow::connectEvents() {
    for (const ButtonEvent& entry : kButtonEvents) {
        auto* button = qobject_cast<QPushButton*>(controls_[slot(entry.button)]);
        connect(button, &QPushButton::clicked, this, [this, event = entry.click] { fire(event); });
    }
    lists_[slot(List::超级列表框1)]->onDoubleClick(
        [this] { fire(Event::超级列表框1DoubleClicked); });
    lists_[slot(List::超级列表框2)]->onDoubleClick(
        [this] { fire(Event::超级列表框2DoubleClicked); });
    connect(timer_, &QTimer::timeout, this, [this] { fire(Event::时钟1Tick); });
}

void MainWindow::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

QWidget& MainWindow::widget(Control control) const {
    return *controls_[slot(control)];
}

ReportList& MainWindow::list(List list) const {
    return *lists_[slot(list)];
}

void MainWindow::setDialogAnswers(DialogAnswers answers) {
    onWindow([&] { answers_ = std::move(answers); });
}

bool MainWindow::fire(Event event) {
    return onWindow(
        [&] {
            if (shutDown_ && event != Event::aboutToBeDestroyed) {
                return false;
            }
            // A copy, so a handler may replace itself while it runs.
            const Handler handler = handlers_[slot(event)];
            if (!handler) {
                return false;
            }
            handler();
            return true;
        },
        false);
}

void MainWindow::shutDown() {
    if (shutDown_ || !calls_.onWindowThread()) {
        return;
    }
    shutDown_ = true;
    timer_->stop();
    interval_ = 0;
    sound_.stop();
    calls_.close();
    fire(Event::aboutToBeDestroyed);
}

void MainWindow::setText(Control control, const Text& text) {
    onWindow([&] {
        QWidget* target = controls_[slot(control)];
        const QString value = toQString(text);
        if (auto* edit = qobject_cast<QLineEdit*>(target)) {
            edit->setText(value);
        } else if (auto* button = qobject_cast<QPushButton*>(target)) {
            button->setText(value);
        } else if (auto* label = qobject_cast<QLabel*>(target)) {
            label->setText(value);
        }
    });
}

Text MainWindow::getText(Control control) {
    return onWindow(
        [&] {
            const QWidget* target = controls_[slot(control)];
            if (const auto* edit = qobject_cast<const QLineEdit*>(target)) {
                return fromQString(edit->text());
            }
            if (const auto* button = qobject_cast<const QPushButton*>(target)) {
                return fromQString(button->text());
            }
            if (const auto* label = qobject_cast<const QLabel*>(target)) {
                return fromQString(label->text());
            }
            return Text();
        },
        Text());
}

void MainWindow::setEnabled(Control control, bool enabled) {
    onWindow([&] { controls_[slot(control)]->setEnabled(enabled); });
}

bool MainWindow::isEnabled(Control control) {
    return onWindow([&] { return controls_[slot(control)]->isEnabled(); }, false);
}

void MainWindow::setInterval(int milliseconds) {
    onWindow([&] {
        interval_ = milliseconds > 0 ? milliseconds : 0;
        if (interval_ == 0 || shutDown_) {
            timer_->stop();
        } else {
            timer_->start(interval_);  // restarts a running timer
        }
    });
}

int MainWindow::interval() {
    return onWindow([&] { return interval_; }, 0);
}

int MainWindow::rowCount(List list) {
    return onWindow([&] { return lists_[slot(list)]->rowCount(); }, 0);
}

int MainWindow::appendRow(List list) {
    return onWindow([&] { return lists_[slot(list)]->appendRow(); }, -1);
}

void MainWindow::setCellText(List list, int row, int column, const Text& text) {
    onWindow([&] {
        if (QTableWidgetItem* cell = lists_[slot(list)]->item(row, column)) {
            cell->setText(toQString(text));
        }
    });
}

Text MainWindow::getCellText(List list, int row, int column) {
    return onWindow(
        [&] {
            const QTableWidgetItem* cell = lists_[slot(list)]->item(row, column);
            return cell == nullptr ? Text() : fromQString(cell->text());
        },
        Text());
}

void MainWindow::deleteRow(List list, int row) {
    onWindow([&] {
        ReportList& target = *lists_[slot(list)];
        if (row >= 0 && row < target.rowCount()) {
            const bool wasSelected = target.selectedRowIndex() == row;
            target.removeRow(row);
            if (wasSelected) {
                target.clearSelection();  // the selection does not pass to a neighbour
            }
        }
    });
}

void MainWindow::deleteAllRows(List list) {
    onWindow([&] { lists_[slot(list)]->setRowCount(0); });
}

int MainWindow::selectedRow(List list) {
    return onWindow([&] { return lists_[slot(list)]->selectedRowIndex(); }, -1);
}

Text MainWindow::chooseFolder(const Text& prompt) {
    return onWindow(
        [&] {
            if (answers_.chooseFolder) {
                return answers_.chooseFolder(prompt);
            }
            const QString folder = QFileDialog::getExistingDirectory(
                this, toQString(prompt), QString(), QFileDialog::ShowDirsOnly);
            return fromQString(QDir::toNativeSeparators(folder));
        },
        Text());
}

void MainWindow::showMessage(const Text& text) {
    onWindow([&] {
        if (answers_.showMessage) {
            answers_.showMessage(text);
            return;
        }
        QMessageBox box(QMessageBox::NoIcon, fromUtf8(layout::kMessageCaption), toQString(text),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    });
}

void MainWindow::playSound(std::span<const std::uint8_t> wavImage) {
    onWindow([&] {
        if (!shutDown_) {
            sound_.play(wavImage);
        }
    });
}

void MainWindow::startWorker(Handler entry) {
    try {
        std::thread(std::move(entry)).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the worker does not run, as if it ended at once.
    }
}

void MainWindow::atomically(const Handler& group) {
    onWindow(group);
}

void MainWindow::setHandler(Event event, Handler handler) {
    onWindow([&] { handlers_[slot(event)] = std::move(handler); });
}

}  // namespace ld
