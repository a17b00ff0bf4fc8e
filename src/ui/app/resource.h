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
