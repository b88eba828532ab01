#include "window/window_layout.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform_constants.h"

namespace ld::layout {
namespace {

// One row per control, in the order the window creates them. Laid out as a
// table, one control a line, so the geometry reads column by column.
std::vector<ControlEntry> buildTable() {
    using enum Kind;
    using enum TextStyle;
    constexpr int w = kWindowPage;
    const std::string courseAddress = defaultCourseAddress();
    // clang-format off
    return {
        // name            kind              page geometry              initial text                                            enabled style      control                list
        {"编辑框1",         editBox,          w, {2, 0, 398, 32},       courseAddress,                                           true,  normal,    Control::编辑框1,       {}},
        {"按钮1",           button,           w, {408, 3, 72, 29},      "搜索",                                                  true,  normal,    Control::按钮1,         {}},
        {kTabControlName,  tabControl,       w, {1, 32, 488, 472},     "",                                                      true,  normal,    {},                    {}},
        {kTimerName,       timer,            w, {},                    "",                                                      true,  normal,    {},                    {}},

        {"超级列表框1",     reportList,       0, {2, 24, 488, 360},     "",                                                      true,  normal,    {},                    List::超级列表框1},
        {"按钮2",           button,           0, {176, 400, 112, 32},   "一键加入下载列表",                                        false, normal,    Control::按钮2,         {}},
        {"按钮3",           button,           0, {320, 400, 112, 32},   "清空列表",                                               true,  normal,    Control::按钮3,         {}},
        {"按钮4",           button,           0, {24, 400, 112, 32},    "删除失败",                                               false, normal,    Control::按钮4,         {}},
        {"透明标签2",       transparentLabel, 0, {8, 441, 464, 24},     "",                                                      true,  red,       Control::透明标签2,     {}},

        {"超级列表框2",     reportList,       1, {0, 24, 488, 376},     "",                                                      true,  normal,    {},                    List::超级列表框2},
        {"透明标签1",       transparentLabel, 1, {256, 0, 160, 24},     "",                                                      true,  black,     Control::透明标签1,     {}},
        {"编辑框保存",      editBox,          1, {8, 408, 128, 24},     "",                                                      true,  normal,    Control::编辑框保存,    {}},
        {"按钮选择",        button,           1, {144, 416, 48, 24},    "浏览",                                                  true,  normal,    Control::按钮选择,      {}},
        {"按钮1清空",       button,           1, {232, 416, 48, 24},    "清空",                                                  true,  normal,    Control::按钮1清空,     {}},
        {"按钮下载",        button,           1, {328, 416, 56, 24},    "开始下载",                                               true,  normal,    Control::按钮下载,      {}},
        {"按钮暂停",        button,           1, {424, 416, 48, 24},    "暂停",                                                  true,  normal,    Control::按钮暂停,      {}},
        {"透明标签显示",    transparentLabel, 1, {8, 440, 464, 24},     "下载出错双击可以删除下载成功或者出错项目，然后点击开始继续下载", true,  red,       Control::透明标签显示,  {}},

        {"标签1",           label,            2, {0, 192, 487, 56},     "本工具供测试娱乐。勿用于商业目的。下载后24小时删除",          true,  boldAbout, Control::标签1,         {}},
    };
    // clang-format on
}

const std::vector<ControlEntry>& table() {
    static const std::vector<ControlEntry> controls = buildTable();
    return controls;
}

constexpr std::array<ColumnEntry, 4> kParseColumns = {{
    {"ID", 50},
    {"视频标题", 150},
    {"视频标示", 1},
    {"下载地址", 279},
}};

constexpr std::array<ColumnEntry, 5> kDownloadColumns = {{
    {"ID", 30},
    {"视频标题", 143},
    {"文件大小", 70},
    {"下载地址", 160},
    {"完成状态", 70},
}};

template <typename Match>
const ControlEntry& find(Match match) {
    const auto& controls = table();
    auto found = std::find_if(controls.begin(), controls.end(), match);
    if (found == controls.end()) {
        std::abort();  // every enumerator has a row; reaching this is a broken table
    }
    return *found;
}

}  // namespace

std::string defaultCourseAddress() {
    return std::string("http://") + ld::platform::kCourseWebHost + "/#/mid/guide?courseId=141";
}

std::span<const ControlEntry> windowControls() {
    return table();
}

const ControlEntry& controlEntry(Control control) {
    return find([control](const ControlEntry& entry) { return entry.control == control; });
}

const ControlEntry& listEntry(List list) {
    return find([list](const ControlEntry& entry) { return entry.list == list; });
}

const ControlEntry& tabControlEntry() {
    return find([](const ControlEntry& entry) { return entry.kind == Kind::tabControl; });
}

const ControlEntry& timerEntry() {
    return find([](const ControlEntry& entry) { return entry.kind == Kind::timer; });
}

std::span<const ColumnEntry> columns(List list) {
    if (list == List::超级列表框1) {
        return kParseColumns;
    }
    return kDownloadColumns;
}

Size tabControlSize() {
    const Rect given = tabControlEntry().geometry;
    Size size{given.width, given.height};
    for (const ControlEntry& entry : table()) {
        if (entry.page != kWindowPage) {
            size.width = std::max(size.width, entry.geometry.right());
            size.height = std::max(size.height, entry.geometry.bottom());
        }
    }
    return size;
}

Size clientSize() {
    const Rect tabs = tabControlEntry().geometry;
    const Size grown = tabControlSize();
    Size size{tabs.left + grown.width + tabs.left, tabs.top + grown.height + tabs.left};
    for (const ControlEntry& entry : table()) {
        if (entry.page == kWindowPage && entry.kind != Kind::tabControl) {
            size.width = std::max(size.width, entry.geometry.right() + tabs.left);
            size.height = std::max(size.height, entry.geometry.bottom() + tabs.left);
        }
    }
    return size;
}

}  // namespace ld::layout
