// The window's controls and events, by the names the window defines them with.
#pragma once

namespace ld {

// Controls that carry a text or an enabled state.
enum class Control {
    编辑框1,       // course address box
    按钮1,         // "搜索"
    按钮2,         // "一键加入下载列表"
    按钮3,         // "清空列表"
    按钮4,         // "删除失败"
    透明标签2,     // parse status label
    透明标签1,     // task state label
    编辑框保存,    // save folder box
    按钮选择,      // "浏览"
    按钮1清空,     // "清空"
    按钮下载,      // "开始下载"
    按钮暂停,      // "暂停" / "继续"
    透明标签显示,  // hint and speed line
    标签1,         // about text
};
inline constexpr int kControlCount = static_cast<int>(Control::标签1) + 1;

enum class List {
    超级列表框1,  // parse list
    超级列表框2,  // download list
};
inline constexpr int kListCount = static_cast<int>(List::超级列表框2) + 1;

// Every event that has an effect. Each runs its handler on the window's thread.
enum class Event {
    created,             // main window created
    aboutToBeDestroyed,  // main window about to be destroyed
    按钮1Clicked,
    超级列表框1DoubleClicked,
    按钮2Clicked,
    按钮3Clicked,
    按钮4Clicked,
    超级列表框2DoubleClicked,
    按钮1清空Clicked,
    按钮选择Clicked,
    按钮下载Clicked,
    按钮暂停Clicked,
    时钟1Tick,
};
inline constexpr int kEventCount = static_cast<int>(Event::时钟1Tick) + 1;

}  // namespace ld
