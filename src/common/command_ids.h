#pragma once
// The ids of the window's commands. The enable rules decide on them without a
// window, so they live in the core; the window's resources use the same ids.

// The commands keep their long-standing numbers, but the toolkit takes menu
// and tool ids only below 0x8000: each is used with its top bit cleared and
// 0x4000 set, which keeps them apart from the toolkit's own ids.
namespace dz {

constexpr int WxCommandId(int fixedId) {
    return 0x4000 | (fixedId & 0x7FFF);
}

// Every id WxCommandId makes lies in this range; the frame hands the whole
// range to its command table, so a new command needs no entry elsewhere.
inline constexpr int kFirstCommandId = WxCommandId(0x8000);
inline constexpr int kLastCommandId = WxCommandId(0xFFFF);

inline constexpr int AFX_IDW_PANE_FIRST = WxCommandId(0xE900);

// Commands of the menu and the toolbar.
inline constexpr int ID_NEW_FOLDER = WxCommandId(32771);
inline constexpr int ID_COPY_TOP_TO_BOTTOM = WxCommandId(32772);
inline constexpr int ID_COPY_BOTTOM_TO_TOP = WxCommandId(32773);
inline constexpr int ID_DELETE_FILES = WxCommandId(32774);
inline constexpr int ID_CONVERT_TO_AVI = WxCommandId(32775);
inline constexpr int ID_MOVE_TOP_TO_BOTTOM = WxCommandId(32781);
inline constexpr int ID_MOVE_BOTTOM_TO_TOP = WxCommandId(32782);
inline constexpr int ID_CONVERT_TO_MP3 = WxCommandId(32785);
// Commands a two-pane file manager is expected to have beside the table's.
inline constexpr int ID_VIEW_REFRESH = WxCommandId(32790);
inline constexpr int ID_SELECT_ALL = WxCommandId(32791);
inline constexpr int ID_PLAY = WxCommandId(32792);
// Whether Delete asks first: the way back from "Don't ask again".
inline constexpr int ID_ASK_BEFORE_DELETE = WxCommandId(32793);
// Shows or hides the pane below each list with the selected recording's
// picture and stream facts.
inline constexpr int ID_VIEW_DETAILS_PANE = WxCommandId(32797);
// The everyday care of a recorder's disk.
inline constexpr int ID_RENAME = WxCommandId(32794);
inline constexpr int ID_CHECK_FOLDER = WxCommandId(32795);
// Whether each copy is read back from the disk and compared.
inline constexpr int ID_VERIFY_AFTER_COPY = WxCommandId(32796);
inline constexpr int ID_VIEW_TOOLBAR = WxCommandId(0xE800); // also the toolbar's window id
inline constexpr int ID_APP_ABOUT = WxCommandId(0xE140);
inline constexpr int ID_APP_EXIT = WxCommandId(0xE141);
inline constexpr int ID_NEXT_PANE = WxCommandId(0xE150);
inline constexpr int ID_PREV_PANE = WxCommandId(0xE151);

} // namespace dz
