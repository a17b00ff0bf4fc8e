// The four copy and move commands on the real frame: what arrives on disk,
// what the lists show afterwards, the four refusals, and a cancel or a
// failure inside the job.
#include "app/MessageBox.h"
#include "common/messages.h"
#include "dialog_test_support.h"
#include "panes/FolderView.h"
#include "support/main_frame_fixture.h"
#include "transfer/CopyProgressDlg.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

const std::vector<std::string> kEntryFiles = {"NEWS_#001_200612241930.AVR", "a.mp3", "b.MEM"};

std::string LocationIn(const fs::path& file, size_t offset) {
    const std::vector<uint8_t> bytes = ReadFile(file);
    if (bytes.size() < offset + kLocationFieldSize)
        return "<short>";
    return std::string(reinterpret_cast<const char*>(&bytes[offset]));
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class TransferCommands : public ::testing::Test {
protected:
    TempDir disk;
    std::vector<MessageBoxCall> boxes;
    int reports = 0;
    std::function<void(CCopyProgressDlg&, const ProgressReport&)> onReport;
    TestRecording rec;
    std::unique_ptr<MainFrameFixture> m;

    void SetUp() override {
        SetMessageBoxHook([this](const MessageBoxCall& c) { boxes.push_back(c); });
        CCopyProgressDlg::SetReportHook([this](CCopyProgressDlg& d, const ProgressReport& r) {
            ++reports;
            if (onReport)
                onReport(d, r);
        });
        rec.partSizes = {134 + 200000, 150000, 1000};
    }
    void TearDown() override {
        m.reset();
        CCopyProgressDlg::SetReportHook(nullptr);
        SetMessageBoxHook(nullptr);
    }
    void MakeFrame() { m = std::make_unique<MainFrameFixture>(std::vector{U16(disk.path())}); }
    fs::path Folder(const std::string& name) {
        fs::create_directories(disk / name);
        return disk / name;
    }
    void Fill(const fs::path& folder) {
        WriteFile(folder / "a.mp3", PatternBytes(70000, 1));
        WriteFile(folder / "b.MEM", PatternBytes(10, 2));
        rec.Make(folder);
    }
    void Run(int command) {
        Watchdog watchdog(std::chrono::seconds(30), "transfer command");
        RunCommand(*m->frame(), command);
    }
};

struct CommandCase {
    const char* what;
    int command;
    int from, to;
    bool move;
};

TEST_F(TransferCommands, EachCommandMovesEntriesBetweenItsRowsAndRefreshesItsLists) {
    const CommandCase cases[] = {
        {"copy top to bottom", ID_COPY_TOP_TO_BOTTOM, kTopRow, kBottomRow, false},
        {"copy bottom to top", ID_COPY_BOTTOM_TO_TOP, kBottomRow, kTopRow, false},
        {"move top to bottom", ID_MOVE_TOP_TO_BOTTOM, kTopRow, kBottomRow, true},
        {"move bottom to top", ID_MOVE_BOTTOM_TO_TOP, kBottomRow, kTopRow, true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Fill(Folder("S" + std::to_string(i)));
        Folder("D" + std::to_string(i));
    }
    MakeFrame();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const CommandCase& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string destName = "D" + std::to_string(i);
        const fs::path from = disk / ("S" + std::to_string(i));
        const fs::path to = disk / destName;
        ASSERT_TRUE(m->Select(c.from, U16(from)));
        ASSERT_TRUE(m->Select(c.to, U16(to)));
        ASSERT_TRUE(SelectFiles(m->fileView(c.from), kEntryFiles));
        // Shows whether the source list is read again after the job.
        onReport = [&](CCopyProgressDlg&, const ProgressReport& r) {
            if (r.number == 1 && r.code == PROGRESS_FILE_START)
                WriteFile(from / "late.mp3", "late");
        };
        Run(c.command);

        EXPECT_TRUE(boxes.empty());
        EXPECT_TRUE(AllIn(to, rec.Files()));
        EXPECT_EQ(ReadFile(to / "a.mp3"), PatternBytes(70000, 1));
        const std::string location = "C:\\" + destName + "\\" + rec.Companion();
        EXPECT_EQ(LocationIn(to / rec.Companion(), kCompanionLocationOffset), location);
        for (int p = 1; p <= 3; ++p)
            EXPECT_EQ(LocationIn(to / rec.Part(p), kPartLocationOffset), location);
        EXPECT_EQ(Sorted(ListedFiles(m->fileView(c.to))), kEntryFiles);
        if (c.move) {
            EXPECT_TRUE(NoneIn(from, rec.Files()));
            EXPECT_FALSE(fs::exists(from / "a.mp3") || fs::exists(from / "b.MEM"));
            EXPECT_EQ(ListedFiles(m->fileView(c.from)), std::vector<std::string>{"late.mp3"});
        } else {
            EXPECT_TRUE(AllIn(from, rec.Files()));
            EXPECT_EQ(Sorted(ListedFiles(m->fileView(c.from))), kEntryFiles);
        }
    }
}

TEST_F(TransferCommands, EachRefusalShowsItsMessageAloneAndStartsNoJob) {
    const fs::path a = Folder("A");
    Fill(a);
    Folder("B");
    Folder("a"); // the same folder as "A" to the recorder's eyes
    MakeFrame();
    auto expectOnly = [&](const char16_t* text, const char* what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].caption, u"Dezadide");
        boxes.clear();
    };
    Run(ID_COPY_TOP_TO_BOTTOM);
    expectOnly(msg::kNoFolder, "no folder in the source row");

    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    Run(ID_MOVE_TOP_TO_BOTTOM);
    expectOnly(msg::kNoFile, "no selection, no destination either");

    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
    Run(ID_COPY_TOP_TO_BOTTOM);
    expectOnly(msg::kNoDestination, "no destination folder");

    ASSERT_TRUE(m->Select(kBottomRow, U16(disk / "a")));
    Run(ID_COPY_TOP_TO_BOTTOM);
    expectOnly(msg::kSameFolder, "same folder in another case");

    // The other direction reads the other row.
    ASSERT_TRUE(m->Select(kBottomRow, U16(disk / "B")));
    Run(ID_COPY_BOTTOM_TO_TOP);
    expectOnly(msg::kNoFile, "nothing selected in the bottom list");

    EXPECT_EQ(reports, 0);
    EXPECT_TRUE(fs::is_empty(disk / "B"));
}

TEST_F(TransferCommands, AFailureInsideTheJobClosesWithoutAMessageAndRefreshes) {
    const fs::path a = Folder("A");
    const fs::path b = Folder("B");
    Fill(a);
    MakeFrame();
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(b)));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3", "b.MEM"}));
    fs::remove(a / "b.MEM"); // gone since the list was read
    Run(ID_MOVE_TOP_TO_BOTTOM);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ListedFiles(m->fileView(kBottomRow)), std::vector<std::string>{"a.mp3"});
    EXPECT_EQ(Sorted(ListedFiles(m->fileView(kTopRow))), std::vector<std::string>{rec.Part(1)});
}

// Cancel inside the third entry, a recording: a copy leaves nothing at the
// destination, a move leaves the first two entries moved.
TEST_F(TransferCommands, CancelInTheThirdEntryLeavesWhatTheWorkerRollsBackTo) {
    rec.base = "SHOW_#001_200701011200";
    rec.partSizes = {134 + 300000, 300000, 300000};
    for (bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        const fs::path a = Folder(move ? "A2" : "A1");
        const fs::path b = Folder(move ? "B2" : "B1");
        Fill(a);
        WriteFile(a / "z.mp3", "z");
        MakeFrame();
        ASSERT_TRUE(m->Select(kTopRow, U16(a)));
        ASSERT_TRUE(m->Select(kBottomRow, U16(b)));
        const std::vector<std::string> all = {"a.mp3", "b.MEM", rec.Part(1), "z.mp3"};
        ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), all));
        onReport = [](CCopyProgressDlg& d, const ProgressReport& r) {
            if (r.number == 3 && r.code == PROGRESS_STEP && d.IsModal())
                PostButton(d, wxID_CANCEL);
        };
        Run(move ? ID_MOVE_TOP_TO_BOTTOM : ID_COPY_TOP_TO_BOTTOM);
        EXPECT_TRUE(boxes.empty());
        EXPECT_TRUE(AllIn(a, rec.Files()));
        EXPECT_TRUE(NoneIn(b, rec.Files()));
        if (move) {
            EXPECT_EQ(Sorted(ListedFiles(m->fileView(kBottomRow))),
                      (std::vector<std::string>{"a.mp3", "b.MEM"}));
            EXPECT_EQ(Sorted(ListedFiles(m->fileView(kTopRow))),
                      (std::vector<std::string>{rec.Part(1), "z.mp3"}));
        } else {
            EXPECT_TRUE(fs::is_empty(b));
            EXPECT_TRUE(ListedFiles(m->fileView(kBottomRow)).empty());
        }
        m.reset();
    }
}

} // namespace
} // namespace dz::test
