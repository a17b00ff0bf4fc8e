#include "platform/folder_path.h"
#include "platform/platform.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

using namespace dz::platform;
using dz::test::TempDir;
using dz::test::WriteFile;

// The rows are written with "/"; the platform's own separator stands in it.
std::u16string P(std::u16string text) {
    std::replace(text.begin(), text.end(), u'/', kSeparator);
    return text;
}

TEST(FolderPath, SeparatorsAndComponents) {
    struct Row {
        std::u16string path;
        std::u16string without;
        std::u16string last;
        std::vector<std::u16string> components;
    };
    const Row rows[] = {
        {P(u"/"), P(u"/"), u"", {}},                                       // the root stays itself
        {P(u"/media/rec/"), P(u"/media/rec"), u"rec", {u"media", u"rec"}}, // one trailing separator
        {P(u"/media//rec//"),
         P(u"/media//rec"),
         u"",
         {u"media", u"rec"}},               // empty components skipped
        {u"REC", u"REC", u"REC", {u"REC"}}, // no separator at all
        {u"", u"", u"", {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path.begin(), r.path.end()));
        EXPECT_EQ(WithoutSeparator(r.path), r.without);
        EXPECT_EQ(LastComponent(r.path), r.last);
        EXPECT_EQ(PathComponents(r.path), r.components);
        EXPECT_TRUE(EndsWithSeparator(WithSeparator(r.path)));
    }
    EXPECT_EQ(PathComponents(P(u"/media/rec/REC/NEWS"), 10),
              (std::vector<std::u16string>{u"REC", u"NEWS"}));
}

TEST(FolderPath, TheFolderOfAPath) {
    const std::pair<std::u16string, std::u16string> rows[] = {
        {P(u"/media/rec/NEWS.AVR"), P(u"/media/rec")},
        {P(u"/NEWS.AVR"), P(u"/")}, // right below the root: the root itself
        {u"NEWS.AVR", u"."},        // a bare name lies in the working folder
    };
    for (const auto& [path, folder] : rows)
        EXPECT_EQ(FolderOf(path), folder) << std::string(path.begin(), path.end());
}

TEST(FolderPath, ATypedFolderIsMadeAbsoluteAndPlain) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "REC" / "2006");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::u16string here = FromPath(std::filesystem::current_path()).value();
    EXPECT_EQ(AbsoluteFolder(P(u"REC/2006/../2006/")), JoinPath(here, P(u"REC/2006")));
    EXPECT_EQ(AbsoluteFolder(u"."), here);
    EXPECT_EQ(AbsoluteFolder(u""), u"") << "nothing typed stays nothing";
    std::filesystem::current_path(previous);

    // Removed whole; one that is not there is no failure.
    const std::u16string tree = JoinPath(here, u"REC");
    WriteFile(dir.path() / "REC" / "2006" / "a.mp3", "a");
    RemoveTree(tree);
    EXPECT_FALSE(FolderExists(tree));
    RemoveTree(tree);
}

TEST(FolderPath, AGoneFolderFallsBackToItsNearestParent) {
    const std::set<std::u16string> existing = {P(u"/"), P(u"/media"), P(u"/media/rec"), u"C:"};
    const auto exists = [&](const std::u16string& p) { return existing.count(p) > 0; };
    const struct {
        std::u16string saved, expected;
    } cases[] = {
        {P(u"/media/rec"), P(u"/media/rec")},
        {P(u"/media/rec/REC/2006"), P(u"/media/rec")},
        {P(u"/mnt/gone"), P(u"/")},
        {P(u"C:/REC/gone"), u"C:"}, // a drive's folders, with the system's separator
        {u"", u""},
        {P(u"relative/path"), u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NearestExistingFolder(c.saved, exists), c.expected);
    EXPECT_EQ(NearestExistingFolder(P(u"/a/b"), [](const std::u16string&) { return false; }), u"");
}

TEST(FolderPath, RootHoldsWholeComponentsOnly) {
    struct Row {
        std::u16string path;
        std::u16string root;
        bool under;
    };
    const Row rows[] = {
        {P(u"/media/rec/REC"), P(u"/media/rec"), true},
        {P(u"/media/rec"), P(u"/media/rec"), true},
        {P(u"/media/record"), P(u"/media/rec"), false}, // a longer name is another folder
        {P(u"/anything"), P(u"/"), true},
        {P(u"/media/rec"), u"", false},
        {P(u"/MEDIA/rec"), P(u"/media/rec"), false}, // exact: callers fold first
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsUnder(r.path, r.root), r.under)
            << std::string(r.path.begin(), r.path.end()) << " in "
            << std::string(r.root.begin(), r.root.end());
}

TEST(FolderPath, CoveringRootIsTheLongestAnyCase) {
    const std::vector<std::u16string> roots = {P(u"/"), P(u"/media/rec"), P(u"/media/REC2")};
    struct Row {
        std::u16string path;
        std::optional<size_t> root;
    };
    const Row rows[] = {
        {P(u"/media/rec/REC"), 1}, {P(u"/MEDIA/REC/rec"), 1}, {P(u"/media/rec2/x"), 2},
        {P(u"/media/record"), 0},  {P(u"/home"), 0},          {P(u"relative/path"), std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CoveringRoot(r.path, roots), r.root) << std::string(r.path.begin(), r.path.end());
    EXPECT_EQ(CoveringRoot(P(u"/media/rec"), {P(u"/media/rec")}), 0u);
    EXPECT_EQ(CoveringRoot(P(u"/home"), {P(u"/media/rec")}), std::nullopt);
}

class FolderWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "Rec" / "News");
        WriteFile(dir / "Rec" / "file.mp3", "x");
    }
    std::u16string At(const std::u16string& rest) const { return dir.text() + P(rest); }
    TempDir dir;
};

TEST_F(FolderWalkTest, FindsAFolderTypedInAnyCase) {
    struct Row {
        std::u16string rest;
        bool exists;
    };
    const Row rows[] = {
        {P(u"/Rec/News"), true},      {P(u"/REC/NEWS"), true},      {P(u"/rec/news/"), true},
        {P(u"/Rec/Sport"), false},    {P(u"/Rec/file.mp3"), false}, // a file is not a folder
        {P(u"/Rec/FILE.MP3"), false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FolderExistsAnyCase(At(r.rest)), r.exists)
            << std::string(r.rest.begin(), r.rest.end());
    EXPECT_FALSE(FolderExistsAnyCase(u"rec/news")); // nothing to walk from
    EXPECT_FALSE(FolderExistsAnyCase(u""));
}

TEST_F(FolderWalkTest, PlansStepsBelowTheDriveThatHoldsTheFolder) {
    const std::vector<std::u16string> roots = {P(u"/"), dir.text()};
    const auto walk = PlanFolderWalk(At(u"/REC/news/"), roots);
    ASSERT_TRUE(walk);
    EXPECT_EQ(walk->root, 1u);
    EXPECT_EQ(walk->steps, (std::vector<std::u16string>{u"REC", u"news"}));

    const auto drive = PlanFolderWalk(dir.text(), roots);
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->root, 1u);
    EXPECT_TRUE(drive->steps.empty());

    EXPECT_FALSE(PlanFolderWalk(At(u"/Rec/Gone"), roots));         // deleted folder
    EXPECT_FALSE(PlanFolderWalk(At(u"/Rec"), {P(u"/elsewhere")})); // no drive holds it
    EXPECT_FALSE(PlanFolderWalk(u"", roots));                      // nothing selected yet
}

TEST(FolderPath, LabelMatchesStepFoldingOnlyAToZ) {
    EXPECT_TRUE(LabelMatchesStep(u"News", u"NEWS"));
    EXPECT_FALSE(LabelMatchesStep(u"News", u"NEW"));
    EXPECT_FALSE(LabelMatchesStep(u"\u00e9t\u00e9", u"\u00c9T\u00c9")); // only A-Z fold
}

} // namespace
