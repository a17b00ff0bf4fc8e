#pragma once
// The rules of the main window that need no widget: the first split of its
// four panes and which command is enabled. The frame reads its panes into a
// PaneState and asks; the tests ask without a display.
#include "common/command_ids.h"

#include <string_view>

namespace dz::rules {

// Which pane's control holds the keyboard focus.
enum class FocusedPane { None, TopTree, TopList, BottomTree, BottomList };

// What the enable rules look at: each row's folder path (empty while its
// tree has no selection), whether its list has selected rows, and the focus.
struct PaneState {
    std::u16string_view topPath;
    std::u16string_view bottomPath;
    bool topSelection = false;
    bool bottomSelection = false;
    FocusedPane focus = FocusedPane::None;
};

// The sizes the panes are created with from the frame's client size: the
// tree column a third, the list column two thirds, each row half the height
// less 20. Signed division, truncating, as the layout always had.
struct InitialSplit {
    int column0 = 0;
    int column1 = 0;
    int rowHeight = 0;
};

constexpr InitialSplit ComputeInitialSplit(int clientWidth, int clientHeight) {
    return {clientWidth / 3, 2 * (clientWidth / 3), clientHeight / 2 - 20};
}

// A transfer needs its source folder, something selected there, and a
// destination folder.
constexpr bool CanTransfer(std::u16string_view fromPath, bool fromSelection,
                           std::u16string_view toPath) {
    return !fromPath.empty() && fromSelection && !toPath.empty();
}

// True when the command with this id is enabled. Commands without a rule of
// their own (conversions, toolbar, about, exit) are always enabled.
constexpr bool IsCommandEnabled(int commandId, const PaneState& s) {
    switch (commandId) {
    case ID_NEW_FOLDER:
        return s.focus == FocusedPane::TopTree || s.focus == FocusedPane::BottomTree;
    case ID_COPY_TOP_TO_BOTTOM:
    case ID_MOVE_TOP_TO_BOTTOM:
        return CanTransfer(s.topPath, s.topSelection, s.bottomPath);
    case ID_COPY_BOTTOM_TO_TOP:
    case ID_MOVE_BOTTOM_TO_TOP:
        return CanTransfer(s.bottomPath, s.bottomSelection, s.topPath);
    case ID_DELETE_FILES:
        // A folder alone is enough: the command itself then says that no
        // file was selected. In a tree it deletes the selected folder.
        return (s.focus == FocusedPane::TopList && (s.topSelection || !s.topPath.empty())) ||
               (s.focus == FocusedPane::BottomList &&
                (s.bottomSelection || !s.bottomPath.empty())) ||
               (s.focus == FocusedPane::TopTree && !s.topPath.empty()) ||
               (s.focus == FocusedPane::BottomTree && !s.bottomPath.empty());
    case ID_RENAME:
        // A list's focused row, or a tree's selected folder.
        return (s.focus == FocusedPane::TopList && s.topSelection) ||
               (s.focus == FocusedPane::BottomList && s.bottomSelection) ||
               (s.focus == FocusedPane::TopTree && !s.topPath.empty()) ||
               (s.focus == FocusedPane::BottomTree && !s.bottomPath.empty());
    case ID_CHECK_FOLDER:
        // The folder of the focused pane's row.
        return ((s.focus == FocusedPane::TopList || s.focus == FocusedPane::TopTree) &&
                !s.topPath.empty()) ||
               ((s.focus == FocusedPane::BottomList || s.focus == FocusedPane::BottomTree) &&
                !s.bottomPath.empty());
    case ID_SELECT_ALL:
        return s.focus == FocusedPane::TopList || s.focus == FocusedPane::BottomList;
    case ID_PLAY:
        // What is selected must also be a recording; the command says so.
        return (s.focus == FocusedPane::TopList && s.topSelection) ||
               (s.focus == FocusedPane::BottomList && s.bottomSelection);
    default:
        return true;
    }
}

} // namespace dz::rules
