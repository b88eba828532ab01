// Text (code page 936) <-> QString, through the program's own converter.
#pragma once

#include <QString>
#include <string_view>

#include "text/codepage.h"
#include "text/text.h"

namespace ld {

inline QString toQString(const Text& text) {
    return QString::fromStdString(gbkToUtf8(text));
}

inline QString fromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline Text fromQString(const QString& string) {
    return utf8ToGbk(string.toStdString());
}

}  // namespace ld
