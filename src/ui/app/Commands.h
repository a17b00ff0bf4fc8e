#pragma once
// The window's commands, one row each: what the menu bar, the keys, the
// toolbar's tips, the pane context menus and the update-UI handling are
// built from. A new command is a row in the table (Commands.cpp) and its
// handler in the frame.
#include "common/command_rules.h"

#include <memory>
#include <span>

class CMainFrame;
class wxCommandEvent;
class wxMenu;
class wxMenuBar;
class wxUpdateUIEvent;

// The menus of the menu bar, left to right.
enum class TopMenu { File, Tool, View, Options, Help };

// A key that runs a command: the toolkit's wxACCEL_* flags and key code.
struct CommandKey {
    int flags = 0;
    int code = 0; // 0: no key
};

// The pane context menus a command appears in, one bit per pane.
enum PaneMenus : unsigned {
    kNoPaneMenu = 0,
    kTopListMenu = 1u << static_cast<int>(dz::rules::FocusedPane::TopList),
    kBottomListMenu = 1u << static_cast<int>(dz::rules::FocusedPane::BottomList),
    kTopTreeMenu = 1u << static_cast<int>(dz::rules::FocusedPane::TopTree),
    kBottomTreeMenu = 1u << static_cast<int>(dz::rules::FocusedPane::BottomTree),
    kOutsideMenu = 1u << static_cast<int>(dz::rules::FocusedPane::None),
    kListMenus = kTopListMenu | kBottomListMenu,
    kTreeMenus = kTopTreeMenu | kBottomTreeMenu,
    kEveryPaneMenu = kListMenus | kTreeMenus | kOutsideMenu,
};

struct CommandRow {
    int id;
    // The menu text names its key after a tab; the key itself is `key`.
    const char* menu;
    const char* tip; // the toolbar's tool tip; empty for none
    CommandKey key;
    void (CMainFrame::*handler)(wxCommandEvent&);
    // Enables (or checks) the command's menu item and button; none: always
    // enabled.
    void (CMainFrame::*update)(wxUpdateUIEvent&);
    // Where the menu bar shows it. Consecutive rows of one menu with
    // different groups are parted by a separator.
    TopMenu topMenu;
    int menuGroup;
    bool checkItem;
    // The context menus that show it, and its place there: menus list their
    // commands by slot, a separator between tens.
    unsigned paneMenus;
    int paneSlot;
    // On Windows a key whose menu item is greyed never arrives; such a
    // command still hears its key and says why it cannot run.
    bool keyWhenGreyed;
};

// The command with this id, or nullptr.
const CommandRow* FindCommand(int id);
// The commands in the order the menu bar shows them.
std::span<const CommandRow> CommandTable();

// The menu bar, built from the table.
wxMenuBar* MakeMenuBar();
// The menu a right click on a pane's control opens: the commands that apply
// there, under their own ids.
std::unique_ptr<wxMenu> MakePaneMenu(dz::rules::FocusedPane pane);
