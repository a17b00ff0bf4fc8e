#pragma once
// Resource and command ids of the window, fixed so that menus, toolbar,
// accelerators and handlers agree. No window code here. The command ids
// themselves live with the enable rules in the core.

#include "common/command_ids.h"

// Resources.
inline constexpr int IDR_MAINFRAME = 128;      // menu, toolbar layout, icon, title
inline constexpr int IDB_TOOLBAR_NORMAL = 132; // 24-bit button strips
inline constexpr int IDB_TOOLBAR_HOT = 133;
inline constexpr int IDB_TOOLBAR_DISABLED = 136;
inline constexpr int IDD_ABOUTBOX = 100;

// Controls.
inline constexpr int IDC_FOLDER_TREE = 1002;
inline constexpr int IDC_FILE_LIST = 1003;

// Button images are this wide; the strips hold one per button, side by side.
inline constexpr int kToolButtonWidth = 64;
inline constexpr int kToolButtonHeight = 42;

// The texts of a command: its menu item and its tool tip (none when empty).
// A menu text names its key after a tab; the keys themselves are the
// frame's accelerators.
struct CommandText {
    int id;
    const char* menu;
    const char* tip;
};

inline constexpr CommandText kCommandTexts[] = {
    {dz::ID_NEW_FOLDER, "&New Folder\tF7", "Create New Folder"},
    {dz::ID_COPY_TOP_TO_BOTTOM, "Copy from &Top to Bottom", "Copy files from Top to Bottom"},
    {dz::ID_COPY_BOTTOM_TO_TOP, "Copy from &Bottom to Top", "Copy files from Bottom to Top"},
    {dz::ID_MOVE_TOP_TO_BOTTOM, "Move from To&p to Bottom", "Move files from Top to Bottom"},
    {dz::ID_MOVE_BOTTOM_TO_TOP, "Move from B&ottom to Top", "Move files from Bottom to Top"},
    {dz::ID_DELETE_FILES, "&Delete\tDel", "Delete files"},
    {dz::ID_CONVERT_TO_AVI, "Convert to &AVI", "Tool for Converting AVR to AVI"},
    {dz::ID_CONVERT_TO_MP3, "Convert to MP3", ""},
    {dz::ID_PLAY, "&Play\tEnter", ""},
    {dz::ID_SELECT_ALL, "Select &All\tCtrl+A", ""},
    {dz::ID_VIEW_REFRESH, "&Refresh\tF5", ""},
    {dz::ID_VIEW_TOOLBAR, "&Toolbar", ""},
    {dz::ID_ASK_BEFORE_DELETE, "Ask &Before Deleting", ""},
    {dz::ID_APP_ABOUT, "&About Dezadide...", ""},
    {dz::ID_APP_EXIT, "E&xit", ""},
    {dz::ID_NEXT_PANE, "&Next Pane\tF6", ""},
    {dz::ID_PREV_PANE, "Pre&vious Pane\tShift+F6", ""},
};

constexpr const CommandText* FindCommandText(int id) {
    for (const CommandText& text : kCommandTexts) {
        if (text.id == id)
            return &text;
    }
    return nullptr;
}

// The toolbar's buttons from the left; 0 stands for a separator.
inline constexpr int kToolbarLayout[] = {
    dz::ID_NEW_FOLDER,
    0,
    dz::ID_COPY_TOP_TO_BOTTOM,
    dz::ID_COPY_BOTTOM_TO_TOP,
    0,
    dz::ID_MOVE_TOP_TO_BOTTOM,
    dz::ID_MOVE_BOTTOM_TO_TOP,
    0,
    dz::ID_DELETE_FILES,
    0,
    dz::ID_CONVERT_TO_AVI,
    dz::ID_CONVERT_TO_MP3,
};
