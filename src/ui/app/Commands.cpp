#include "ui/app/Commands.h"

#include "ui/app/MainFrame.h"

#include <wx/defs.h>
#include <wx/menu.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

using dz::rules::FocusedPane;

namespace {

constexpr bool kCheck = true;
constexpr bool kGreyedKey = true;
constexpr CommandKey kNoKey{};

constexpr const char* kTopMenuTitles[] = {"&File", "&Tool", "&View", "&Options", "&Help"};

} // namespace

// A friend of the frame: the rows name its private handlers.
std::span<const CommandRow> CommandTable() {
    using F = CMainFrame;
    // clang-format off
    // Delete, F7, Ctrl+A and F5 are the keys two-pane file managers use.
    static constexpr CommandRow kCommands[] = {
    //   id                          menu text                     tool tip
    //   key                                 handler                   enable rule
    //   menu bar                   check    pane menus           slot  key when greyed
        {dz::ID_NEW_FOLDER,          "&New Folder\tF7",            "Create New Folder",
         {wxACCEL_NORMAL, WXK_F7},           &F::OnNewFolder,          &F::UpdateByRule,
         TopMenu::File, 0,          false,   kTreeMenus,          10,   kGreyedKey},
        {dz::ID_COPY_TOP_TO_BOTTOM,  "Copy from &Top to Bottom",   "Copy files from Top to Bottom",
         kNoKey,                             &F::OnCopyTopToBottom,    &F::UpdateByRule,
         TopMenu::File, 1,          false,   kTopListMenu,        20,   false},
        {dz::ID_COPY_BOTTOM_TO_TOP,  "Copy from &Bottom to Top",   "Copy files from Bottom to Top",
         kNoKey,                             &F::OnCopyBottomToTop,    &F::UpdateByRule,
         TopMenu::File, 1,          false,   kBottomListMenu,     20,   false},
        {dz::ID_MOVE_TOP_TO_BOTTOM,  "Move from To&p to Bottom",   "Move files from Top to Bottom",
         kNoKey,                             &F::OnMoveTopToBottom,    &F::UpdateByRule,
         TopMenu::File, 2,          false,   kTopListMenu,        21,   false},
        {dz::ID_MOVE_BOTTOM_TO_TOP,  "Move from B&ottom to Top",   "Move files from Bottom to Top",
         kNoKey,                             &F::OnMoveBottomToTop,    &F::UpdateByRule,
         TopMenu::File, 2,          false,   kBottomListMenu,     21,   false},
        {dz::ID_DELETE_FILES,        "&Delete\tDel",               "Delete files",
         {wxACCEL_NORMAL, WXK_DELETE},       &F::OnDeleteFiles,        &F::UpdateByRule,
         TopMenu::File, 3,          false,   kListMenus | kTreeMenus, 22, kGreyedKey},
        {dz::ID_RENAME,              "&Rename\tF2",                "",
         {wxACCEL_NORMAL, WXK_F2},           &F::OnRename,             &F::UpdateByRule,
         TopMenu::File, 3,          false,   kListMenus | kTreeMenus, 23, kGreyedKey},
        {dz::ID_PLAY,                "&Play\tEnter",               "",
         kNoKey,                             &F::OnPlay,               &F::UpdateByRule,
         TopMenu::File, 4,          false,   kListMenus,          10,   false},
        {dz::ID_APP_EXIT,            "E&xit",                      "",
         kNoKey,                             &F::OnAppExit,            nullptr,
         TopMenu::File, 5,          false,   kNoPaneMenu,         0,    false},
        {dz::ID_CONVERT_TO_AVI,      "Convert to &AVI",            "Tool for Converting AVR to AVI",
         kNoKey,                             &F::OnConvertToAvi,       nullptr,
         TopMenu::Tool, 0,          false,   kNoPaneMenu,         0,    false},
        {dz::ID_CONVERT_TO_MP3,      "Convert to MP3",             "",
         kNoKey,                             &F::OnConvertToMp3,       nullptr,
         TopMenu::Tool, 0,          false,   kNoPaneMenu,         0,    false},
        {dz::ID_CHECK_FOLDER,        "&Check Folder...",           "",
         kNoKey,                             &F::OnCheckFolder,        &F::UpdateByRule,
         TopMenu::Tool, 1,          false,   kNoPaneMenu,         0,    false},
        {dz::ID_VIEW_TOOLBAR,        "&Toolbar",                   "",
         kNoKey,                             &F::OnViewToolbar,        &F::OnUpdateViewToolbar,
         TopMenu::View, 0,          kCheck,  kNoPaneMenu,         0,    false},
        {dz::ID_VIEW_DETAILS_PANE,   "&Details Pane",              "",
         kNoKey,                             &F::OnViewDetailsPane,    &F::OnUpdateViewDetailsPane,
         TopMenu::View, 0,          kCheck,  kNoPaneMenu,         0,    false},
        {dz::ID_SELECT_ALL,          "Select &All\tCtrl+A",        "",
         {wxACCEL_CTRL, 'A'},                &F::OnSelectAll,          &F::OnUpdateSelectAll,
         TopMenu::View, 1,          false,   kListMenus,          30,   false},
        {dz::ID_VIEW_REFRESH,        "&Refresh\tF5",               "",
         {wxACCEL_NORMAL, WXK_F5},           &F::OnRefresh,            nullptr,
         TopMenu::View, 1,          false,   kEveryPaneMenu,      31,   false},
        {dz::ID_NEXT_PANE,           "&Next Pane\tF6",             "",
         {wxACCEL_NORMAL, WXK_F6},           &F::OnNextPane,           nullptr,
         TopMenu::View, 2,          false,   kNoPaneMenu,         0,    false},
        {dz::ID_PREV_PANE,           "Pre&vious Pane\tShift+F6",   "",
         {wxACCEL_SHIFT, WXK_F6},            &F::OnPrevPane,           nullptr,
         TopMenu::View, 2,          false,   kNoPaneMenu,         0,    false},
        {dz::ID_ASK_BEFORE_DELETE,   "Ask &Before Deleting",       "",
         kNoKey,                             &F::OnAskBeforeDelete,    &F::OnUpdateAskBeforeDelete,
         TopMenu::Options, 0,       kCheck,  kNoPaneMenu,         0,    false},
        {dz::ID_VERIFY_AFTER_COPY,   "&Verify After Copy",         "",
         kNoKey,                             &F::OnVerifyAfterCopy,    &F::OnUpdateVerifyAfterCopy,
         TopMenu::Options, 0,       kCheck,  kNoPaneMenu,         0,    false},
        // The application shows the About box.
        {dz::ID_APP_ABOUT,           "&About Dezadide...",         "",
         kNoKey,                             nullptr,                  nullptr,
         TopMenu::Help, 0,          false,   kNoPaneMenu,         0,    false},
    };
    // clang-format on
    return kCommands;
}

const CommandRow* FindCommand(int id) {
    for (const CommandRow& command : CommandTable()) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

wxMenuBar* MakeMenuBar() {
    auto* bar = new wxMenuBar;
    for (int top = 0; top < static_cast<int>(std::size(kTopMenuTitles)); ++top) {
        auto* menu = new wxMenu;
        const CommandRow* last = nullptr;
        for (const CommandRow& command : CommandTable()) {
            if (static_cast<int>(command.topMenu) != top)
                continue;
            if (last && last->menuGroup != command.menuGroup)
                menu->AppendSeparator();
            if (command.checkItem)
                menu->AppendCheckItem(command.id, command.menu);
            else
                menu->Append(command.id, command.menu);
            last = &command;
        }
        bar->Append(menu, kTopMenuTitles[top]);
    }
    return bar;
}

std::unique_ptr<wxMenu> MakePaneMenu(FocusedPane pane) {
    const unsigned bit = 1u << static_cast<int>(pane);
    std::vector<const CommandRow*> shown;
    for (const CommandRow& command : CommandTable()) {
        if (command.paneMenus & bit)
            shown.push_back(&command);
    }
    std::stable_sort(shown.begin(), shown.end(), [](const CommandRow* a, const CommandRow* b) {
        return a->paneSlot < b->paneSlot;
    });
    auto menu = std::make_unique<wxMenu>();
    for (size_t i = 0; i < shown.size(); ++i) {
        if (i > 0 && shown[i - 1]->paneSlot / 10 != shown[i]->paneSlot / 10)
            menu->AppendSeparator();
        menu->Append(shown[i]->id, shown[i]->menu);
    }
    return menu;
}
