// What a transfer settles before it starts: the entries' sizes, the free
// space, the entries already at the destination and the user's answers.
#include "transfer/transfer_plan.h"
#include "transfer/transfer_prepare.h"

#include "common/text.h"
#include "platform/platform.h"
#include "transfer/worker_support.h"

#ifndef _WIN32
#include <sys/mount.h>
#endif

namespace fs = std::filesystem;

namespace dz::test {
namespace {

CSortStringArray Names(std::vector<std::u16string> names) {
    CSortStringArray list;
    for (auto& n : names)
        list.Add(std::move(n));
    return list;
}

// A destination that holds little: a 1 MiB tmpfs where mounting is allowed
// (Linux, as root), else the folder as it is, with the source made larger
// than its free space by a sparse file.
class SmallDestination {
public:
    explicit SmallDestination(const fs::path& folder) : m_folder(folder) {
        fs::create_directories(folder);
#ifndef _WIN32
        m_mounted = mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
#endif
    }
    ~SmallDestination() {
#ifndef _WIN32
        if (m_mounted)
            umount(m_folder.c_str());
#endif
    }
    // A size that cannot fit.
    uint64_t TooLarge() const {
        return *platform::FreeSpace(U16(m_folder)) + (m_mounted ? 1 : 1024 * 1024);
    }

private:
    fs::path m_folder;
    bool m_mounted = false;
};

TEST(TransferPlan, EntryBytesCountEveryFileOfTheEntry) {
    TempDir dir;
    RecordingLayout r;
    r.parts = {1000, 2000, 300};
    r.companionSize = 8008;
    MakeRecording(dir.path(), r);
    RecordingLayout broken;
    broken.name = "BROKEN";
    broken.parts = {500, 600};
    MakeRecording(dir.path(), broken);
    // A head cut short cannot be read: part 1 alone is known.
    WriteFile(dir / CompanionName(broken), PatternBytes(100));
    WriteFile(dir / "song.mp3", PatternBytes(4321));
    const struct {
        std::u16string name;
        uint64_t bytes;
    } cases[] = {
        {u"NEWS_#001_200612241930.AVR", 8008 + 1000 + 2000 + 300},
        {u"BROKEN_#001_200612241930.AVR", 100 + 500},
        {u"song.mp3", 4321},
        {u"gone.mp3", 0},
        {u"notes.txt", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntryBytes(dir.text(), c.name), c.bytes) << ToUtf8(c.name);
    EXPECT_EQ(TotalBytes(dir.text(), Names({u"song.mp3", u"NEWS_#001_200612241930.AVR"})),
              4321u + 11308u);
}

TEST(TransferPlan, ExistingEntriesAreFoundByAnyFileAndAnyExtensionCase) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "x");
    WriteFile(dir / "B.mem", "x");
    // What a deletion or a copy cut short leaves is no entry to ask about.
    WriteFile(dir / "ONLY_#001_200612241930.AVF", "companion left behind");
    WriteFile(dir / "PIECE_#001_200612241930.AVR", "part put in place before its companion");
    RecordingLayout low;
    low.name = "LOW";
    low.ext = ".avr";
    low.companionExt = ".avf";
    MakeRecording(dir.path(), low);
    const CSortStringArray names =
        Names({u"a.mp3", u"b.mem", u"LOW_#001_200612241930.AVR", u"new.mp3",
               u"ONLY_#001_200612241930.AVR", u"PIECE_#001_200612241930.AVR",
               u"NEW_#001_200612241930.AVR"});
    // b.mem is not B.mem on a case-sensitive disk, as it is on Windows;
    // ".avr" is ".AVR" on both.
#ifdef _WIN32
    EXPECT_EQ(ExistingEntries(dir.text(), names),
              (std::vector<std::u16string>{u"a.mp3", u"b.mem", u"LOW_#001_200612241930.AVR"}));
#else
    EXPECT_EQ(ExistingEntries(dir.text(), names),
              (std::vector<std::u16string>{u"a.mp3", u"LOW_#001_200612241930.AVR"}));
#endif
    EXPECT_EQ(WithoutEntries(names, {u"a.mp3", u"new.mp3"}).Items(),
              (std::vector<std::u16string>{
                  u"b.mem", u"LOW_#001_200612241930.AVR", u"ONLY_#001_200612241930.AVR",
                  u"PIECE_#001_200612241930.AVR", u"NEW_#001_200612241930.AVR"}));
}

// A move cut short after its copy was in place is finished by moving again;
// another recording of the same name is still a question.
TEST(TransferPlan, AMoveAlreadyInPlaceIsNoExistingEntry) {
    TempDir src, dst;
    RecordingLayout news;
    MakeRecording(src.path(), news);
    MakeRecording(dst.path(), news);
    RecordingLayout other;
    other.name = "OTHER";
    MakeRecording(src.path(), other);
    other.parts.back() += 1;
    MakeRecording(dst.path(), other);
    const CSortStringArray names =
        Names({u"NEWS_#001_200612241930.AVR", u"OTHER_#001_200612241930.AVR"});
    EXPECT_EQ(ExistingEntries(dst.text(), names, src.text(), true),
              (std::vector<std::u16string>{u"OTHER_#001_200612241930.AVR"}));
    // Its source partly removed (from the last part down) counts the same.
    fs::remove(src / PartName(news, 3));
    EXPECT_EQ(ExistingEntries(dst.text(), names, src.text(), true),
              (std::vector<std::u16string>{u"OTHER_#001_200612241930.AVR"}));
    // A copy leaves its source, so the destination's recording is replaced
    // only when the user says so.
    EXPECT_EQ(ExistingEntries(dst.text(), names, src.text()).size(), 2u);
}

TEST(TransferPlan, AnswersForEachExistingEntryAndForAllOfThem) {
    using A = ReplaceAnswer;
    const std::vector<std::u16string> existing = {u"a", u"b", u"c"};
    const struct {
        const char* what;
        std::vector<ReplaceDecision> answers; // in the order they are asked
        std::optional<std::vector<std::u16string>> skipped;
        size_t asked;
    } cases[] = {
        {"one by one",
         {{A::Replace}, {A::Skip}, {A::Replace}},
         std::vector<std::u16string>{u"b"},
         3},
        {"skip for all at the first",
         {{A::Skip, true}},
         std::vector<std::u16string>{u"a", u"b", u"c"},
         1},
        {"replace for all at the second",
         {{A::Skip}, {A::Replace, true}},
         std::vector<std::u16string>{u"a"},
         2},
        {"cancel at the second", {{A::Skip}, {A::Cancel}}, std::nullopt, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        size_t asked = 0;
        std::vector<size_t> remaining;
        const auto skipped = DecideExisting(existing, [&](const std::u16string&, size_t left) {
            remaining.push_back(left);
            return c.answers.at(asked++);
        });
        EXPECT_EQ(skipped, c.skipped);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(remaining.front(), 2u);
    }
    EXPECT_EQ(DecideExisting({},
                             [](const std::u16string&, size_t) -> ReplaceDecision {
                                 ADD_FAILURE() << "nothing to ask";
                                 return {};
                             }),
              std::vector<std::u16string>{});
}

TEST(TransferPlan, EntriesThatDoNotFitAreRefusedNamingBothSizes) {
    TempDir tmp;
    const fs::path src = tmp / "src", dst = tmp / "dst";
    fs::create_directory(src);
    const SmallDestination small(dst);
    WriteFile(src / "small.mp3", PatternBytes(1000));
    EXPECT_EQ(CheckFreeSpace(U16(src), U16(dst), Names({u"small.mp3"})), std::nullopt);

#ifdef _WIN32
    GTEST_SKIP() << "the C runtime makes no sparse file larger than the free space";
#endif
    const uint64_t tooLarge = small.TooLarge();
    WriteFile(src / "big.mp3", "");
    fs::resize_file(src / "big.mp3", tooLarge); // sparse: takes no room itself
    const auto refusal = CheckFreeSpace(U16(src), U16(dst), Names({u"big.mp3", u"small.mp3"}));
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(*refusal,
              NotEnoughSpaceText(U16(dst), tooLarge + 1000, *platform::FreeSpace(U16(dst))));
    EXPECT_NE(refusal->find(KBText(tooLarge + 1000)), std::u16string::npos);
    EXPECT_TRUE(fs::is_empty(dst));
    // A destination that is gone cannot be measured: the job reports it.
    EXPECT_EQ(CheckFreeSpace(U16(src), U16(tmp / "gone"), Names({u"big.mp3"})), std::nullopt);
}

TEST(TransferPlan, TheProgressTitleNamesTheEntryItsPartAndTheMode) {
    EXPECT_EQ(ProgressTitle(false, u"FILM", 2, 3), u"Copying FILM, part 2 of 3");
    EXPECT_EQ(ProgressTitle(true, u"song.mp3", 0, 0), u"Moving song.mp3");
    // Companion 8 KiB, then parts of 100, 300 and 100 (x 1,000 bytes).
    const std::vector<uint64_t> sizes = {8192, 100000, 300000, 100000};
    const struct {
        int percent, part;
    } cases[] = {{0, 1}, {1, 1}, {21, 1}, {22, 2}, {50, 2}, {80, 2}, {81, 3}, {100, 3}, {120, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(PartAtPercent(sizes, c.percent), c.part) << c.percent;
    EXPECT_EQ(PartAtPercent({4321}, 50), 0) << "a plain file has no parts";
    EXPECT_EQ(PartAtPercent({0, 0, 0}, 70), 1);
}

TEST(TransferPlan, TheEmptyDocumentIsNeverSavedOverMediaFiles) {
    const struct {
        std::u16string name;
        bool media;
    } cases[] = {
        {u"/r/NEWS_#001_200612241930.AVR", true},
        {u"/r/NEWS_#001_200612241930.avf", true},
        {u"song.MP3", true},
        {u"v.mem", true},
        {u"film.MPG", true},
        {u"notes.txt", false},
        {u"Untitled", false},
        {u"/r/mp3", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMediaFileName(c.name), c.media) << ToUtf8(c.name);
}

TEST(TransferPlan, QuestionTexts) {
    EXPECT_EQ(KBText(1023), u"0 KB");
    EXPECT_EQ(KBText(5'000'000'000), u"4,882,812 KB");
    EXPECT_EQ(DeleteQuestionText({u"NEWS"}, 2048),
              u"Delete NEWS (2 KB)?\nIt cannot be brought back.");
    EXPECT_EQ(DeleteQuestionText({u"NEWS", u"a.mp3", u"b.mem"}, 1'048'576),
              u"Delete 3 entries (1,024 KB)?\nIt cannot be brought back.");
    EXPECT_EQ(ReplaceQuestionText(u"NEWS_#001_200612241930.AVR", u"/media/rec"),
              u"NEWS already exists in /media/rec.\nReplace it with the one being copied?");
    EXPECT_EQ(ExistingEntriesText({u"a.mp3", u"NEWS_#001_200612241930.AVR"}),
              u"Already in the destination: a.mp3, NEWS_#001_200612241930.AVR (nothing copied; "
              u"--replace or --skip decides)");
}

// Answers as a row says and remembers what it was asked.
class RowQuestions final : public TransferQuestions {
public:
    RowQuestions(std::optional<std::u16string> refusal, ReplaceAnswer answer)
        : m_refusal(std::move(refusal)), m_answer(answer) {}
    std::optional<std::u16string> RefuseExisting(const std::vector<std::u16string>& e) override {
        existing.push_back(e);
        return m_refusal;
    }
    ReplaceDecision AskReplace(const std::u16string& name, size_t) override {
        asked.push_back(name);
        return {m_answer, false};
    }
    std::vector<std::vector<std::u16string>> existing;
    std::vector<std::u16string> asked;

private:
    std::optional<std::u16string> m_refusal;
    ReplaceAnswer m_answer;
};

// One preparation for both front ends: the questions are asked only about
// entries that exist; the answers decide what the job takes and may replace.
TEST(PrepareTransfer, TheAnswersAboutExistingEntriesShapeTheJob) {
    TempDir tmp;
    const fs::path src = tmp / "src", dst = tmp / "dst";
    fs::create_directories(src);
    fs::create_directories(dst);
    WriteFile(src / "a.mp3", PatternBytes(10));
    WriteFile(src / "b.mp3", PatternBytes(10));
    WriteFile(dst / "b.mp3", PatternBytes(5));
    using Status = PreparedTransfer::Status;
    const struct {
        const char* what;
        std::optional<std::u16string> refusal;
        ReplaceAnswer answer;
        Status status;
        std::vector<std::u16string> names, replace, asked;
    } rows[] = {
        {"replace",
         {},
         ReplaceAnswer::Replace,
         Status::kReady,
         {u"a.mp3", u"b.mp3"},
         {u"b.mp3"},
         {u"b.mp3"}},
        {"skip", {}, ReplaceAnswer::Skip, Status::kReady, {u"a.mp3"}, {}, {u"b.mp3"}},
        {"cancel", {}, ReplaceAnswer::Cancel, Status::kCancelled, {}, {}, {u"b.mp3"}},
        // Refused before any question is asked.
        {"refuse", u"no", ReplaceAnswer::Replace, Status::kRefused, {}, {}, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        RowQuestions questions(r.refusal, r.answer);
        const PreparedTransfer p = PrepareTransfer(TransferMode::Copy, U16(src), U16(dst),
                                                   Names({u"a.mp3", u"b.mp3"}), questions);
        EXPECT_EQ(questions.existing, (std::vector<std::vector<std::u16string>>{{u"b.mp3"}}));
        EXPECT_EQ(questions.asked, r.asked);
        EXPECT_EQ(p.status, r.status);
        EXPECT_EQ(p.names.Items(), r.names);
        EXPECT_EQ(p.replace, r.replace);
        EXPECT_EQ(p.refusal, r.refusal.value_or(u""));
    }
    // Nothing at the destination: no question; everything skipped: nothing left.
    RowQuestions skipAll({}, ReplaceAnswer::Skip);
    EXPECT_EQ(
        PrepareTransfer(TransferMode::Copy, U16(src), U16(dst), Names({u"a.mp3"}), skipAll).status,
        Status::kReady);
    EXPECT_TRUE(skipAll.existing.empty());
    EXPECT_EQ(
        PrepareTransfer(TransferMode::Copy, U16(src), U16(dst), Names({u"b.mp3"}), skipAll).status,
        Status::kNothingLeft);
}

} // namespace
} // namespace dz::test
