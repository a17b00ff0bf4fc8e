// The copy progress dialog on its own: what it shows during a real job, how
// it ends (job done, failure, Cancel, close), and that its ending never
// deadlocks with a report the worker is waiting in.
#include "common/text.h"
#include "dialog_test_support.h"
#include "transfer/transfer_worker.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/dialogs/CopyProgressDlg.h"

#include <random>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

// What the dialog showed once it had handled a report.
struct Seen {
    ProgressCode code;
    int32_t number;
    std::u16string counter, name, source, destination;
    int totalRange, totalPosition, currentRange, currentPosition;
};

class CopyProgressDialog : public ::testing::Test {
protected:
    TempDir tmp;
    fs::path src = tmp / "src";
    fs::path dst = tmp / "dst";
    std::u16string source = U16(src), destination = U16(dst);
    CSortStringArray names;
    std::vector<Seen> seen;
    std::vector<MessageBoxCall> boxes;
    // Runs on every report after it was shown; may press buttons.
    std::function<void(CCopyProgressDlg&, const ProgressReport&)> onReport;
    // What every dialog of a test is made with; a test may set its worker.
    CCopyProgressDlg::Seams seams;

    void SetUp() override {
        fs::create_directory(src);
        fs::create_directory(dst);
        TestStandIn().messageBox = [this](const MessageBoxCall& c) { boxes.push_back(c); };
        seams.onReport = [this](CCopyProgressDlg& d, const ProgressReport& r) {
            seen.push_back({r.code, r.number, d.GetCounterText(), d.GetFileNameText(),
                            d.GetSourceText(), d.GetDestinationText(), d.GetTotalRange(),
                            d.GetTotalPosition(), d.GetCurrentRange(), d.GetCurrentPosition()});
            if (onReport)
                onReport(d, r);
        };
    }
    void TearDown() override { TestStandIn().messageBox = nullptr; }
    void Names(const std::vector<std::string>& list) {
        for (const std::string& n : list)
            names.Add(U16(n));
        names.Sort();
    }
    // One modal run as the command makes it; the worker must have ended by
    // the time the run returns.
    void Run() { Run(names, TransferMode::Copy); }
    void Run(const CSortStringArray& list, TransferMode mode) {
        TransferJob job;
        job.destination = destination;
        job.source = source;
        job.names = list;
        CCopyProgressDlg dialog(mode, job, seams);
        EXPECT_EQ(RunModal(dialog), wxID_CANCEL);
        EXPECT_FALSE(dialog.IsWorkerRunning());
        if (list.GetSize() > 0 && mode != TransferMode::None) {
            EXPECT_TRUE(dialog.IsCancelRequested()) << "the worker was told to stop";
        }
    }
};

TEST_F(CopyProgressDialog, ShowsCounterNameFoldersAndBarsThroughARealJob) {
    WriteFile(src / "a.mp3", PatternBytes(200000, 1));
    RecordingLayout rec;
    rec.parts = {134 + 140000, 70000};
    MakeRecording(src, rec);
    WriteFile(src / "z.mem", PatternBytes(10, 2));
    Names({"z.mem", "NEWS_#001_200612241930.AVR", "a.mp3"});
    std::vector<wxString> titles; // each new caption once
    onReport = [&](CCopyProgressDlg& d, const ProgressReport&) {
        if (titles.empty() || titles.back() != d.GetTitle())
            titles.push_back(d.GetTitle());
    };
    Run();
    // The caption names the entry, the part of a recording, and the mode.
    EXPECT_EQ(titles, (std::vector<wxString>{"Copying a.mp3", "Copying NEWS, part 1 of 2",
                                             "Copying NEWS, part 2 of 2", "Copying z.mem"}));

    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().code, ProgressCode::JobDone);
    EXPECT_TRUE(boxes.empty());
    int last = -1; // the recording's bar
    for (const Seen& s : seen) {
        if (s.code != ProgressCode::FileStart && s.code != ProgressCode::Step)
            continue;
        SCOPED_TRACE(s.number);
        EXPECT_EQ(s.counter, dz::Ascii(std::to_string(s.number) + "/3"));
        EXPECT_EQ(s.name, names[static_cast<size_t>(s.number) - 1]);
        EXPECT_EQ(s.source, source);
        EXPECT_EQ(s.destination, destination);
        // The total bar stands at n of N while entry n is copied.
        EXPECT_EQ(s.totalRange, 3);
        EXPECT_EQ(s.totalPosition, s.number);
        // A plain file's bar runs over its bytes, a recording's over percent,
        // forward to full.
        EXPECT_EQ(s.currentRange, s.number == 2 ? 100 : (s.number == 1 ? 200000 : 10));
        if (s.number == 2 && s.code == ProgressCode::Step) {
            EXPECT_GE(s.currentPosition, last);
            last = s.currentPosition;
        }
    }
    EXPECT_EQ(last, 100);
    EXPECT_EQ(ReadFile(dst / "a.mp3"), ReadFile(src / "a.mp3"));
    EXPECT_EQ(CountIn(dst, RecordingFiles(rec)), 3u);
}

TEST_F(CopyProgressDialog, AMoveSaysSoInTheCaption) {
    WriteFile(src / "a.mp3", PatternBytes(100, 1));
    Names({"a.mp3"});
    wxString title;
    onReport = [&](CCopyProgressDlg& d, const ProgressReport&) { title = d.GetTitle(); };
    Run(names, TransferMode::Move);
    EXPECT_EQ(title, "Moving a.mp3");
    EXPECT_FALSE(fs::exists(src / "a.mp3"));
}

TEST_F(CopyProgressDialog, EntriesOfUnknownKindsLeaveTheFieldsAsTheyWere) {
    WriteFile(src / "a.txt", "x");
    WriteFile(src / "b.doc", "y");
    WriteFile(src / "c.mp3", PatternBytes(1000));
    Names({"a.txt", "b.doc", "c.mp3"});
    // A stand-in worker reports an entry's end before any entry has started,
    // then lets the real worker run the job.
    seams.threadProc = [](TransferJob* job) {
        ProgressReport early;
        early.total = 3;
        early.code = ProgressCode::FileDone;
        job->sink->OnProgress(early);
        return CopyThreadProc(job);
    };
    Run();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].counter + seen[0].name + seen[0].source + seen[0].destination, u"");
    // The first report of the real job is entry 3's start.
    EXPECT_EQ(seen[1].code, ProgressCode::FileStart);
    EXPECT_EQ(seen[1].counter, u"3/3");
    EXPECT_EQ(seen[1].name, u"c.mp3");
    EXPECT_EQ(seen[1].totalPosition, 3);
    EXPECT_TRUE(fs::exists(dst / "c.mp3"));
    EXPECT_FALSE(fs::exists(dst / "a.txt"));
}

// Every code that ends a job closes the dialog without a message, 104 too
// although no worker sends it; the dialog still waits for the worker.
TEST_F(CopyProgressDialog, EveryEndingCodeClosesAndTheDialogWaitsForTheWorker) {
    Names({"a.mp3"});
    for (int32_t code : {4, 101, 102, 103, 104, 105}) {
        SCOPED_TRACE(code);
        std::atomic<bool> sawCancel{false};
        seams.threadProc = [&, code](TransferJob* job) {
            ProgressReport r;
            r.code = static_cast<ProgressCode>(code);
            job->sink->OnProgress(r);
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!job->cancel->Cancelled() && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            // Still running here: the dialog must not have ended yet.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            sawCancel = job->cancel->Cancelled();
            return 0;
        };
        Run();
        EXPECT_TRUE(sawCancel.load());
    }
    EXPECT_TRUE(boxes.empty());

    // A job without a mode, or without entries, closes at once, without a
    // worker.
    bool started = false;
    seams.threadProc = [&](TransferJob*) { return started = true, 0; };
    CSortStringArray none;
    Run(names, TransferMode::None);
    Run(none, TransferMode::Copy);
    EXPECT_FALSE(started);
}

// A stand-in worker that reports as fast as it can until it sees the cancel,
// then a few reports more, as the real one does with its last block.
int BusyWorker(TransferJob* job) {
    ProgressReport start;
    start.total = 1;
    start.number = 1;
    start.code = ProgressCode::FileStart;
    start.range = 1000;
    job->sink->OnProgress(start);
    for (int32_t i = 0, after = 3; after > 0; ++i) {
        ProgressReport step = start;
        step.code = ProgressCode::Step;
        step.position = i % 1000;
        job->sink->OnProgress(step);
        after -= job->cancel->Cancelled() ? 1 : 0;
    }
    return 1;
}

// Enter does not end a running job; Cancel, Escape's close and a closing
// window arrive at random moments, mostly while the worker waits in a
// report, and the dialog ends every time.
TEST_F(CopyProgressDialog, OnlyCancelOrCloseEndsARunningJobAndNeverDeadlocks) {
    Names({"a.mp3"});
    seams.threadProc = BusyWorker;
    int reports = 0;
    onReport = [&](CCopyProgressDlg& d, const ProgressReport&) {
        if (++reports == 2)
            PostButton(d, wxID_OK);
        if (reports == 200) {
            EXPECT_TRUE(d.IsModal());
            EXPECT_FALSE(d.IsCancelRequested());
            PostButton(d, wxID_CANCEL);
        }
    };
    Run();
    EXPECT_GE(reports, 200);

    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        const int at = 1 + static_cast<int>(random() % 30);
        reports = 0;
        onReport = [&, round](CCopyProgressDlg& d, const ProgressReport&) {
            if (++reports != at)
                return;
            if (round % 2)
                d.GetEventHandler()->CallAfter([&d] { d.Close(); });
            else
                PostButton(d, wxID_CANCEL);
        };
        seen.clear();
        Run();
        ASSERT_GE(reports, at) << "round " << round;
    }
}

} // namespace

// The worker starts once the dialog can be seen: about 100 ms after its
// first paint, not when it is made.
TEST_F(CopyProgressDialog, TheWorkerStartsAboutATenthOfASecondAfterTheFirstPaint) {
    using Clock = std::chrono::steady_clock;
    Names({"a.mp3"});
    std::optional<Clock::time_point> started;
    seams.threadProc = [&](TransferJob*) {
        started = Clock::now();
        return 0;
    };
    TransferJob job;
    job.destination = destination;
    job.source = source;
    job.names = names;
    CCopyProgressDlg dialog(TransferMode::Copy, job, seams);
    const Clock::time_point made = Clock::now();
    const FirstPaint painted(dialog);
    EXPECT_EQ(RunModal(dialog), wxID_CANCEL);
    ASSERT_TRUE(painted.at()) << "the dialog was painted";
    ASSERT_TRUE(started) << "the worker ran";
    EXPECT_GE(*started - *painted.at(), std::chrono::milliseconds(90));
    EXPECT_GE(*started - made, std::chrono::milliseconds(90));
}

} // namespace dz::test
