// Readable names for the window's controls, lists, columns and events.
//
// The controls keep the numbered names the window defines them with
// (control_names.h); the window implementations use those. Logic and tests
// read them through these aliases instead, so "the search button" reads as
// kSearchButton wherever it is used. Constants only: no state, any thread.
#pragma once

#include "window/control_names.h"

namespace ld {

// --- Above the pages ------------------------------------------------------------
inline constexpr Control kCourseAddressBox = Control::编辑框1;
inline constexpr Control kSearchButton = Control::按钮1;

// --- Page "解析文件" ---------------------------------------------------------------
inline constexpr List kParseList = List::超级列表框1;
inline constexpr Control kAddAllButton = Control::按钮2;
inline constexpr Control kClearParseListButton = Control::按钮3;
inline constexpr Control kRemoveFailedButton = Control::按钮4;
inline constexpr Control kParseStatusLabel = Control::透明标签2;

// --- Page "下载列表 " ---------------------------------------------------------------
inline constexpr List kDownloadList = List::超级列表框2;
inline constexpr Control kTaskStateLabel = Control::透明标签1;
inline constexpr Control kSaveFolderBox = Control::编辑框保存;
inline constexpr Control kBrowseButton = Control::按钮选择;
inline constexpr Control kClearDownloadListButton = Control::按钮1清空;
inline constexpr Control kStartButton = Control::按钮下载;
inline constexpr Control kPauseButton = Control::按钮暂停;
inline constexpr Control kSpeedLabel = Control::透明标签显示;

// --- Page "关于软件" ---------------------------------------------------------------
inline constexpr Control kAboutLabel = Control::标签1;

// --- Columns of the parse list ----------------------------------------------------
inline constexpr int kParseNumberColumn = 0;
inline constexpr int kParseTitleColumn = 1;
inline constexpr int kParseVideoIdColumn = 2;
inline constexpr int kParseAddressColumn = 3;

// --- Columns of the download list -------------------------------------------------
inline constexpr int kDownloadNumberColumn = 0;
inline constexpr int kDownloadTitleColumn = 1;
inline constexpr int kDownloadSizeColumn = 2;
inline constexpr int kDownloadAddressColumn = 3;
inline constexpr int kDownloadStatusColumn = 4;

// --- Events -------------------------------------------------------------------------
inline constexpr Event kSearchClicked = Event::按钮1Clicked;
inline constexpr Event kParseListDoubleClicked = Event::超级列表框1DoubleClicked;
inline constexpr Event kAddAllClicked = Event::按钮2Clicked;
inline constexpr Event kClearParseListClicked = Event::按钮3Clicked;
inline constexpr Event kRemoveFailedClicked = Event::按钮4Clicked;
inline constexpr Event kDownloadListDoubleClicked = Event::超级列表框2DoubleClicked;
inline constexpr Event kClearDownloadListClicked = Event::按钮1清空Clicked;
inline constexpr Event kBrowseClicked = Event::按钮选择Clicked;
inline constexpr Event kStartClicked = Event::按钮下载Clicked;
inline constexpr Event kPauseClicked = Event::按钮暂停Clicked;
inline constexpr Event kPollTick = Event::时钟1Tick;

}  // namespace ld
