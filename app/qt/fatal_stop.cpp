#include "app/qt/fatal_stop.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/qt/qt_text.h"
#include "text/codepage.h"

namespace ld {

void fatalStop(const Text& message) {
    const Text text = fatalStopText(message);
    std::fputs(gbkToUtf8(text).c_str(), stderr);
    std::fflush(stderr);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QMessageBox box(QMessageBox::Critical, fromUtf8(kFatalStopCaption), toQString(text),
                        QMessageBox::Ok);
        if (std::getenv("LD_TEST_NO_DIALOGS") != nullptr) {
            QTimer::singleShot(0, &box, &QMessageBox::accept);
        }
        box.exec();
    }
    std::_Exit(-1);
}

}  // namespace ld
