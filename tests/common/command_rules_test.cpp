// The window's rules without a window: the first split and the enable rules.
#include "common/command_rules.h"

#include <gtest/gtest.h>

#include <string>

using namespace dz;
using namespace dz::rules;

TEST(InitialSplit, ThirdsAndHalfHeightLessTwenty) {
    struct Case {
        int w, h, c0, c1, row;
        const char* what;
    } cases[] = {
        {900, 600, 300, 600, 280, "the usual client area"},
        {2, 600, 0, 0, 280, "too narrow for a third"},
        {301, 600, 100, 200, 280, "the remainder is dropped"},
        {900, 30, 300, 600, -5, "signed: a low window gives a negative row height"},
        {900, 41, 300, 600, 0, "truncation of 41/2"},
    };
    for (const Case& c : cases) {
        const InitialSplit s = ComputeInitialSplit(c.w, c.h);
        EXPECT_EQ(s.column0, c.c0) << c.what;
        EXPECT_EQ(s.column1, c.c1) << c.what;
        EXPECT_EQ(s.rowHeight, c.row) << c.what;
    }
}

namespace {

struct RuleCase {
    const char* what;
    PaneState state;
    bool newFolder, copyDown, copyUp, del;
};

constexpr std::u16string_view kA = u"/media/rec/REC";
constexpr std::u16string_view kB = u"/home/me/Videos";
constexpr std::u16string_view kNone = u"";

} // namespace

TEST(EnableRules, EachCommandFollowsItsRowFolderSelectionAndFocus) {
    using F = FocusedPane;
    // clang-format off
    const RuleCase cases[] = {
        {"nothing at all", {kNone, kNone, false, false, F::None}, false, false, false, false},
        {"top list focused, no folder, no selection",
         {kNone, kB, false, false, F::TopList}, false, false, false, false},
        {"top list focused, a folder but no file: Delete still asks",
         {kA, kNone, false, false, F::TopList}, false, false, false, true},
        {"top list focused, a selection without folder",
         {kNone, kNone, true, false, F::TopList}, false, false, false, true},
        {"list focused: no New Folder though both trees have folders",
         {kA, kB, true, true, F::BottomList}, false, true, true, true},
        {"bottom tree focused: New Folder, and Delete of its folder",
         {kA, kB, false, false, F::BottomTree}, true, false, false, true},
        {"top tree focused", {kNone, kNone, false, false, F::TopTree}, true, false, false, false},
        {"copy down waits for a bottom folder",
         {kA, kNone, true, false, F::TopList}, false, false, false, true},
        {"copy down with both folders and a top selection",
         {kA, kB, true, false, F::None}, false, true, false, false},
        {"copy up needs the bottom selection, not the top one",
         {kA, kB, true, false, F::BottomList}, false, true, false, true},
        {"bottom list: its own row decides Delete",
         {kA, kNone, true, false, F::BottomList}, false, false, false, false},
        {"copy up with both folders and a bottom selection",
         {kA, kB, false, true, F::TopTree}, true, false, true, true},
    };
    // clang-format on
    for (const RuleCase& c : cases) {
        using dz::rules::IsCommandEnabled;
        EXPECT_EQ(IsCommandEnabled(ID_NEW_FOLDER, c.state), c.newFolder) << c.what;
        EXPECT_EQ(IsCommandEnabled(ID_COPY_TOP_TO_BOTTOM, c.state), c.copyDown) << c.what;
        EXPECT_EQ(IsCommandEnabled(ID_MOVE_TOP_TO_BOTTOM, c.state), c.copyDown) << c.what;
        EXPECT_EQ(IsCommandEnabled(ID_COPY_BOTTOM_TO_TOP, c.state), c.copyUp) << c.what;
        EXPECT_EQ(IsCommandEnabled(ID_MOVE_BOTTOM_TO_TOP, c.state), c.copyUp) << c.what;
        EXPECT_EQ(IsCommandEnabled(ID_DELETE_FILES, c.state), c.del) << c.what;
        EXPECT_TRUE(IsCommandEnabled(ID_CONVERT_TO_AVI, c.state)) << c.what;
        EXPECT_TRUE(IsCommandEnabled(ID_CONVERT_TO_MP3, c.state)) << c.what;
    }
}

// Rename acts on the focused pane: a list's selected row or a tree's folder;
// Check Folder on the folder of the focused pane's row.
TEST(EnableRules, RenameAndCheckFolderFollowTheFocusedPane) {
    using F = FocusedPane;
    using dz::rules::IsCommandEnabled;
    const struct {
        const char* what;
        PaneState state;
        bool rename, check;
    } cases[] = {
        {"no focus", {kA, kB, true, true, F::None}, false, false},
        {"top list, a folder, no row", {kA, kB, false, true, F::TopList}, false, true},
        {"top list, a row", {kA, kNone, true, false, F::TopList}, true, true},
        {"bottom list, its row, no folder", {kA, kNone, false, true, F::BottomList}, true, false},
        {"top tree without a folder", {kNone, kB, false, false, F::TopTree}, false, false},
        {"bottom tree with its folder", {kNone, kB, false, false, F::BottomTree}, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsCommandEnabled(ID_RENAME, c.state), c.rename) << c.what;
        EXPECT_EQ(IsCommandEnabled(ID_CHECK_FOLDER, c.state), c.check) << c.what;
    }
}
