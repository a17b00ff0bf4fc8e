// The four copy and move commands on the real frame: what arrives on disk,
// what the lists show afterwards, the four refusals, and a cancel inside
// the job.
#include "common/messages.h"
#include "dialog_test_support.h"
#include "support/main_frame_fixture.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/dialogs/CopyProgressDlg.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

using Names = std::vector<std::string>;

std::string LocationIn(const fs::path& file, size_t offset) {
    const std::vector<uint8_t> bytes = ReadFile(file);
    if (bytes.size() < offset + kLocationFieldSize)
        return "<short>";
    return std::string(reinterpret_cast<const char*>(&bytes[offset]));
}

class TransferCommands : public ::testing::Test {
protected:
    TempDir disk;
    std::vector<MessageBoxCall> boxes;
    int reports = 0;
    std::function<void(CCopyProgressDlg&, const ProgressReport&)> onReport;
    RecordingLayout rec;
    std::unique_ptr<MainFrameFixture> m;

    void SetUp() override {
        TestStandIn().messageBox = [this](const MessageBoxCall& c) { boxes.push_back(c); };
        rec.parts = {134 + 200000, 150000, 1000};
    }
    void TearDown() override {
        m.reset();
        TestStandIn().messageBox = nullptr;
        TestStandIn().copy = {};
    }
    void MakeFrame() {
        m = std::make_unique<MainFrameFixture>(std::vector{U16(disk.path())});
        TestStandIn().copy.onReport = [this](CCopyProgressDlg& d, const ProgressReport& r) {
            ++reports;
            if (onReport)
                onReport(d, r);
        };
    }
    // A folder with a recording, an .mp3 and a .MEM in it.
    fs::path Filled(const std::string& name) {
        fs::create_directories(disk / name);
        WriteFile(disk / name / "a.mp3", PatternBytes(70000, 1));
        WriteFile(disk / name / "b.MEM", PatternBytes(10, 2));
        MakeRecording(disk / name, rec);
        return disk / name;
    }
};

TEST_F(TransferCommands, EachCommandMovesEntriesBetweenItsRowsAndRefreshesItsLists) {
    const struct {
        int command, from, to;
        bool move;
    } cases[] = {
        {dz::ID_COPY_TOP_TO_BOTTOM, kTopRow, kBottomRow, false},
        {dz::ID_COPY_BOTTOM_TO_TOP, kBottomRow, kTopRow, false},
        {dz::ID_MOVE_TOP_TO_BOTTOM, kTopRow, kBottomRow, true},
        {dz::ID_MOVE_BOTTOM_TO_TOP, kBottomRow, kTopRow, true},
    };
    const Names entries = {PartName(rec, 1), "a.mp3", "b.MEM"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        Filled("S" + std::to_string(i));
        fs::create_directories(disk / ("D" + std::to_string(i)));
    }
    MakeFrame();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        const fs::path from = disk / ("S" + std::to_string(i));
        const fs::path to = disk / ("D" + std::to_string(i));
        ASSERT_TRUE(m->Select(c.from, U16(from)));
        ASSERT_TRUE(m->Select(c.to, U16(to)));
        ASSERT_TRUE(SelectFiles(m->fileView(c.from), entries));
        // Shows whether the source list is read again after the job.
        onReport = [&](CCopyProgressDlg&, const ProgressReport& r) {
            if (r.number == 1 && r.code == ProgressCode::FileStart)
                WriteFile(from / "late.mp3", "late");
        };
        RunCommand(*m->frame(), c.command);

        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(CountIn(to, RecordingFiles(rec)), 4u);
        EXPECT_EQ(ReadFile(to / "a.mp3"), PatternBytes(70000, 1));
        const std::string location = "C:\\D" + std::to_string(i) + "\\" + CompanionName(rec);
        EXPECT_EQ(LocationIn(to / CompanionName(rec), kCompanionLocationOffset), location);
        for (int p = 1; p <= 3; ++p)
            EXPECT_EQ(LocationIn(to / PartName(rec, p), kPartLocationOffset), location);
        EXPECT_EQ(ListedFiles(m->fileView(c.to)), entries);
        EXPECT_EQ(CountIn(from, RecordingFiles(rec)), c.move ? 0u : 4u);
        EXPECT_EQ(CountIn(from, {"a.mp3", "b.MEM"}), c.move ? 0u : 2u);
        // A move reads the source list again at once; after a copy the
        // folder's watcher brings the list up to date with the disk.
        if (c.move)
            EXPECT_EQ(ListedFiles(m->fileView(c.from)), Names{"late.mp3"});
        else
            EXPECT_TRUE(PumpUntil([&] {
                const Names shown = ListedFiles(m->fileView(c.from));
                return std::find(shown.begin(), shown.end(), "late.mp3") != shown.end();
            })) << "the source list does not follow its folder";
    }
}

TEST_F(TransferCommands, EachRefusalShowsItsMessageAloneAndStartsNoJob) {
    const fs::path a = Filled("A");
    fs::create_directories(disk / "B");
    fs::create_directories(disk / "a"); // the same folder as "A" to the recorder's eyes
    MakeFrame();
    auto expectOnly = [&](const char16_t* text, const char* what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].caption, u"Dezadide");
        EXPECT_EQ(boxes[0].style, wxOK | wxICON_EXCLAMATION);
        boxes.clear();
    };
    RunCommand(*m->frame(), dz::ID_COPY_TOP_TO_BOTTOM);
    expectOnly(msg::kNoFolder, "no folder in the source row");

    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    RunCommand(*m->frame(), dz::ID_MOVE_TOP_TO_BOTTOM);
    expectOnly(msg::kNoFile, "no selection, no destination either");

    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
    RunCommand(*m->frame(), dz::ID_COPY_TOP_TO_BOTTOM);
    expectOnly(msg::kNoDestination, "no destination folder");

    ASSERT_TRUE(m->Select(kBottomRow, U16(disk / "a")));
    RunCommand(*m->frame(), dz::ID_COPY_TOP_TO_BOTTOM);
    expectOnly(msg::kSameFolder, "same folder in another case");

    // The other direction reads the other row.
    ASSERT_TRUE(m->Select(kBottomRow, U16(disk / "B")));
    RunCommand(*m->frame(), dz::ID_COPY_BOTTOM_TO_TOP);
    expectOnly(msg::kNoFile, "nothing selected in the bottom list");

    EXPECT_EQ(reports, 0);
    EXPECT_TRUE(fs::is_empty(disk / "B"));
}

// Cancel inside the third entry, a recording: a copy leaves nothing at the
// destination, a move leaves the first two entries moved; both lists are
// read again.
TEST_F(TransferCommands, CancelInTheThirdEntryLeavesWhatTheWorkerRollsBackTo) {
    rec.name = "SHOW";
    rec.parts = {134 + 300000, 300000, 300000};
    for (bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        const fs::path a = Filled(move ? "A2" : "A1");
        const fs::path b = disk / (move ? "B2" : "B1");
        fs::create_directories(b);
        WriteFile(a / "z.mp3", "z");
        const Names moved = {"a.mp3", "b.MEM"};
        const Names kept = {PartName(rec, 1), "z.mp3"};
        const Names all = {PartName(rec, 1), "a.mp3", "b.MEM", "z.mp3"};
        MakeFrame();
        ASSERT_TRUE(m->Select(kTopRow, U16(a)));
        ASSERT_TRUE(m->Select(kBottomRow, U16(b)));
        ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), all));
        onReport = [](CCopyProgressDlg& d, const ProgressReport& r) {
            if (r.number == 3 && r.code == ProgressCode::Step && d.IsModal())
                PostButton(d, wxID_CANCEL);
        };
        RunCommand(*m->frame(), move ? dz::ID_MOVE_TOP_TO_BOTTOM : dz::ID_COPY_TOP_TO_BOTTOM);
        // The cancel says how far the job got.
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, move ? u"Cancelled: 2 of 4 moved" : u"Cancelled: 0 of 4 copied");
        boxes.clear();
        EXPECT_EQ(CountIn(a, RecordingFiles(rec)), 4u);
        EXPECT_EQ(CountIn(b, RecordingFiles(rec)), 0u);
        EXPECT_EQ(ListedFiles(m->fileView(kBottomRow)), move ? moved : Names());
        EXPECT_EQ(ListedFiles(m->fileView(kTopRow)), move ? kept : all);
        if (!move) {
            EXPECT_TRUE(fs::is_empty(b));
        }
        m.reset();
    }
}

// A failure is said, with its entry and why, and both lists are read again.
TEST_F(TransferCommands, AFailureIsShownAndBothListsAreReadAgain) {
    rec.companionSize = 8007;
    const fs::path a = Filled("A");
    const fs::path b = disk / "B";
    fs::create_directories(b);
    MakeFrame();
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(b)));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {PartName(rec, 1), "a.mp3"}));
    onReport = [&](CCopyProgressDlg&, const ProgressReport& r) {
        if (r.code == ProgressCode::FileStart) { // seen in both lists only if both are read again
            WriteFile(a / "late.mp3", "late");
            WriteFile(b / "late.mp3", "late");
        }
    };
    RunCommand(*m->frame(), dz::ID_COPY_TOP_TO_BOTTOM);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              U16("The companion file of " + PartName(rec, 1) + " is shorter than 8,008 bytes"));
    EXPECT_EQ(ListedFiles(m->fileView(kBottomRow)), (Names{"a.mp3", "late.mp3"}));
    EXPECT_EQ(ListedFiles(m->fileView(kTopRow)),
              (Names{PartName(rec, 1), "a.mp3", "b.MEM", "late.mp3"}));
}

} // namespace
} // namespace dz::test
