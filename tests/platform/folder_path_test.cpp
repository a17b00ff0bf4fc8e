#include "platform/folder_path.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace dz::platform;
using dz::test::TempDir;
using dz::test::WriteFile;

TEST(FolderPath, SeparatorsAndComponents) {
    struct Row {
        std::u16string path;
        std::u16string without;
        std::u16string last;
        std::vector<std::u16string> components;
    };
    const Row rows[] = {
        {u"/", u"/", u"", {}},                                       // the root stays itself
        {u"/media/rec/", u"/media/rec", u"rec", {u"media", u"rec"}}, // one trailing separator
        {u"/media//rec//", u"/media//rec", u"", {u"media", u"rec"}}, // empty components skipped
        {u"REC", u"REC", u"REC", {u"REC"}},                          // no separator at all
        {u"", u"", u"", {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path.begin(), r.path.end()));
        EXPECT_EQ(WithoutSeparator(r.path), r.without);
        EXPECT_EQ(LastComponent(r.path), r.last);
        EXPECT_EQ(PathComponents(r.path), r.components);
        EXPECT_TRUE(EndsWithSeparator(WithSeparator(r.path)));
    }
    EXPECT_EQ(PathComponents(u"/media/rec/REC/NEWS", 10),
              (std::vector<std::u16string>{u"REC", u"NEWS"}));
}

TEST(FolderPath, RootHoldsWholeComponentsOnly) {
    struct Row {
        std::u16string path;
        std::u16string root;
        bool under;
    };
    const Row rows[] = {
        {u"/media/rec/REC", u"/media/rec", true},
        {u"/media/rec", u"/media/rec", true},
        {u"/media/record", u"/media/rec", false}, // a longer name is another folder
        {u"/anything", u"/", true},
        {u"/media/rec", u"", false},
        {u"/MEDIA/rec", u"/media/rec", false}, // exact: callers fold first
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsUnder(r.path, r.root), r.under)
            << std::string(r.path.begin(), r.path.end()) << " in "
            << std::string(r.root.begin(), r.root.end());
}

TEST(FolderPath, CoveringRootIsTheLongestAnyCase) {
    const std::vector<std::u16string> roots = {u"/", u"/media/rec", u"/media/REC2"};
    struct Row {
        std::u16string path;
        std::optional<size_t> root;
    };
    const Row rows[] = {
        {u"/media/rec/REC", 1}, {u"/MEDIA/REC/rec", 1}, {u"/media/rec2/x", 2},
        {u"/media/record", 0},  {u"/home", 0},          {u"relative/path", std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CoveringRoot(r.path, roots), r.root) << std::string(r.path.begin(), r.path.end());
    EXPECT_EQ(CoveringRoot(u"/media/rec", {u"/media/rec"}), 0u);
    EXPECT_EQ(CoveringRoot(u"/home", {u"/media/rec"}), std::nullopt);
}

class FolderWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "Rec" / "News");
        WriteFile(dir / "Rec" / "file.mp3", "x");
    }
    std::u16string At(const std::u16string& rest) const { return dir.text() + rest; }
    TempDir dir;
};

TEST_F(FolderWalkTest, FindsAFolderTypedInAnyCase) {
    struct Row {
        std::u16string rest;
        bool exists;
    };
    const Row rows[] = {
        {u"/Rec/News", true},      {u"/REC/NEWS", true},      {u"/rec/news/", true},
        {u"/Rec/Sport", false},    {u"/Rec/file.mp3", false}, // a file is not a folder
        {u"/Rec/FILE.MP3", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FolderExistsAnyCase(At(r.rest)), r.exists)
            << std::string(r.rest.begin(), r.rest.end());
    EXPECT_FALSE(FolderExistsAnyCase(u"rec/news")); // nothing to walk from
    EXPECT_FALSE(FolderExistsAnyCase(u""));
}

TEST_F(FolderWalkTest, PlansStepsBelowTheDriveThatHoldsTheFolder) {
    const std::vector<std::u16string> roots = {u"/", dir.text()};
    const auto walk = PlanFolderWalk(At(u"/REC/news/"), roots);
    ASSERT_TRUE(walk);
    EXPECT_EQ(walk->root, 1u);
    EXPECT_EQ(walk->steps, (std::vector<std::u16string>{u"REC", u"news"}));

    const auto drive = PlanFolderWalk(dir.text(), roots);
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->root, 1u);
    EXPECT_TRUE(drive->steps.empty());

    EXPECT_FALSE(PlanFolderWalk(At(u"/Rec/Gone"), roots));      // deleted folder
    EXPECT_FALSE(PlanFolderWalk(At(u"/Rec"), {u"/elsewhere"})); // no drive holds it
    EXPECT_FALSE(PlanFolderWalk(u"", roots));                   // nothing selected yet
}

TEST(FolderPath, LabelMatchesStepFoldingOnlyAToZ) {
    EXPECT_TRUE(LabelMatchesStep(u"News", u"NEWS"));
    EXPECT_FALSE(LabelMatchesStep(u"News", u"NEW"));
    EXPECT_FALSE(LabelMatchesStep(u"\u00e9t\u00e9", u"\u00c9T\u00c9")); // only A-Z fold
}

} // namespace
