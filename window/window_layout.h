// The main window's controls as one table: name, kind, page, geometry, initial
// text and state, and the list columns. The Qt window builds itself from it and
// MemoryWindow takes its initial state from it, so both start out alike.
// Texts are UTF-8 here; the windows convert them to Text.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "window/control_names.h"

namespace ld::layout {

enum class Kind {
    editBox,           // single-line edit box
    button,            // push button
    tabControl,        // 选择夹1
    reportList,        // report-view list with a header
    transparentLabel,  // draws only its text
    label,             // plain label
    timer,             // invisible
};

// Colour and font a label's text is drawn with.
enum class TextStyle {
    normal,
    red,
    black,
    boldAbout,  // bold, kAboutFontPixels high
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    [[nodiscard]] int right() const { return left + width; }
    [[nodiscard]] int bottom() const { return top + height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Page of 选择夹1 a control sits on; kWindowPage for the window itself.
inline constexpr int kWindowPage = -1;

struct ControlEntry {
    std::string_view name;  // UTF-8, also the widget's object name
    Kind kind;
    int page;  // kWindowPage or 0..2
    // Relative to the window's client area, or to the top-left corner of
    // 选择夹1 for a control on a page. Empty for the timer.
    Rect geometry;
    std::string initialText;  // UTF-8
    bool initiallyEnabled;
    TextStyle style;
    std::optional<Control> control;  // set for controls that carry a text
    std::optional<List> list;        // set for the two lists
};

struct ColumnEntry {
    std::string_view title;  // UTF-8
    int width;
};

inline constexpr std::string_view kCaption = "课程视频下载器";
inline constexpr std::array<std::string_view, 3> kTabTitles = {"解析文件", "下载列表 ", "关于软件"};
inline constexpr std::string_view kTabControlName = "选择夹1";
inline constexpr std::string_view kTimerName = "时钟1";
inline constexpr std::string_view kMessageCaption = "信息：";
// Outer size of the window on the platform the layout was drawn for.
inline constexpr Size kDesignedOuterSize = {502, 533};
inline constexpr int kAboutFontPixels = 14;
inline constexpr std::array<int, 5> kIconSizes = {128, 64, 48, 32, 16};

// "http://" + the course platform's web host + "/#/mid/guide?courseId=141".
std::string defaultCourseAddress();

// Every control of the window, window-level ones first, in creation order.
std::span<const ControlEntry> windowControls();
const ControlEntry& controlEntry(Control control);
const ControlEntry& listEntry(List list);
const ControlEntry& tabControlEntry();
const ControlEntry& timerEntry();
std::span<const ColumnEntry> columns(List list);

// 选择夹1 grown where needed so every control on its pages lies inside it
// (the parse list reaches 2 pixels past the width it is given).
Size tabControlSize();
// Client area that shows every control whole: the window-level controls and
// the grown 选择夹1, with the same one-pixel margin on the right and bottom
// that 选择夹1 keeps on the left.
Size clientSize();

}  // namespace ld::layout
