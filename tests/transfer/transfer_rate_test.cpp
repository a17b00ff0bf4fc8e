// Speed and time left: the bytes a job has moved, read from its reports, and
// the figures shown from them.
#include "transfer/transfer_rate.h"

#include "recording/RecordingName.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dz;

namespace {

using Clock = RateMeter::Clock;
using std::chrono::milliseconds;

ProgressReport Report(int32_t number, ProgressCode code, int32_t range, int32_t position) {
    ProgressReport r;
    r.total = 3;
    r.number = number;
    r.code = code;
    r.range = range;
    r.position = position;
    return r;
}

TEST(JobBytes, FollowsPlainFilesByBytesAndRecordingsByBlocksWithinTheirPercent) {
    // A plain file of 100,000 bytes, a skipped kind, a recording of 1,000,000.
    JobBytes job({{100000, false}, {0, false}, {1000000, true}});
    EXPECT_EQ(job.Total(), 1100000);
    EXPECT_EQ(job.Done(), 0);

    job.OnReport(Report(1, ProgressCode::FileStart, 100000, 0));
    job.OnReport(Report(1, ProgressCode::Step, 100000, 65536));
    EXPECT_EQ(job.Done(), 65536);
    job.OnReport(Report(1, ProgressCode::FileDone, 100000, 100000));
    EXPECT_EQ(job.Done(), 100000);

    job.OnReport(Report(3, ProgressCode::FileStart, 100, 0));
    EXPECT_EQ(job.Done(), 100000);
    // One block is 6.5 % of the recording: the block count is exact.
    job.OnReport(Report(3, ProgressCode::Step, 100, 6));
    EXPECT_EQ(job.Done(), 100000 + 65536);
    // A block count beyond what the percent allows is held to its step.
    for (int i = 0; i < 5; ++i)
        job.OnReport(Report(3, ProgressCode::Step, 100, 10));
    EXPECT_EQ(job.Done(), 100000 + 110000);
    job.OnReport(Report(3, ProgressCode::FileDone, 100, 100));
    EXPECT_EQ(job.Done(), job.Total());
}

TEST(JobBytes, IgnoresReportsOutsideTheJobAndScalesBigFileBars) {
    const int64_t big = int64_t{6} << 30; // the worker's bar is scaled to fit 32 bits
    JobBytes job({{big, false}});
    job.OnReport(Report(0, ProgressCode::FileStart, 10, 0));
    job.OnReport(Report(7, ProgressCode::Step, 10, 5));
    EXPECT_EQ(job.Done(), 0);
    job.OnReport(Report(1, ProgressCode::FileStart, static_cast<int32_t>(big >> 3), 0));
    job.OnReport(Report(1, ProgressCode::Step, static_cast<int32_t>(big >> 3),
                        static_cast<int32_t>(big >> 4)));
    EXPECT_EQ(job.Done(), big / 2);
    job.OnReport(Report(1, ProgressCode::Step, 100, 500)); // never past the file
    EXPECT_EQ(job.Done(), big);
    job.OnReport(Report(1, ProgressCode::JobDone, 0, 0));
    EXPECT_EQ(job.Done(), big);
}

TEST(RateMeter, NeedsASecondThenMeasuresTheLastFewSeconds) {
    RateMeter meter;
    const Clock::time_point t0{};
    meter.Add(t0, 0);
    meter.Add(t0 + milliseconds(500), 500000);
    EXPECT_FALSE(meter.BytesPerSecond());
    meter.Add(t0 + milliseconds(1000), 1000000);
    ASSERT_TRUE(meter.BytesPerSecond());
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 1000000.0);
    // A slow start is forgotten once it falls out of the window.
    for (int s = 2; s <= 20; ++s)
        meter.Add(t0 + milliseconds(1000 * s), 1000000 + int64_t{4000000} * (s - 1));
    EXPECT_NEAR(*meter.BytesPerSecond(), 4000000.0, 1.0);
}

TEST(RateFormat, ShowsSpeedAndTimeLeft) {
    EXPECT_EQ(SecondsLeft(1000, std::nullopt), std::nullopt);
    EXPECT_EQ(SecondsLeft(1000, 0.0), std::nullopt);
    EXPECT_EQ(SecondsLeft(1001, 100.0), 11);
    EXPECT_EQ(SecondsLeft(0, 100.0), 0);

    EXPECT_EQ(FormatRate(std::nullopt, 5), u"");
    EXPECT_EQ(FormatRate(512000.0, 65), u"500 KB/s, 1:05 left");
    EXPECT_EQ(FormatRate(12.5 * 1048576, 3725), u"12.5 MB/s, 1:02:05 left");
    EXPECT_EQ(FormatRate(2.0 * 1073741824, std::nullopt), u"2.00 GB/s");
}

TEST(EntrySize, PlainFilesByLengthRecordingsByTheirCompanionOthersNothing) {
    dz::test::TempDir dir;
    dz::test::WriteFile(dir / "a.MP3", dz::test::PatternBytes(1234));
    std::vector<uint8_t> head(kCompanionHeadSize, 0);
    head[kCompanionTotalSizeOffset + 5] = 0x01; // 65,536 bytes, big-endian
    dz::test::WriteFile(dir / "REC_#001_200501011200.AVF", head);
    dz::test::WriteFile(dir / "SHORT_#001_200501011200.AVF", std::vector<uint8_t>(100));
    dz::test::WriteFile(dir / "b.txt", "text");

    CSortStringArray names;
    for (const char16_t* n : {u"a.MP3", u"REC_#001_200501011200.AVR",
                              u"SHORT_#001_200501011200.AVR", u"b.txt", u"gone.mem"})
        names.Add(n);
    const std::vector<EntrySize> sizes = EntrySizesOf(dir.text(), names);
    const std::vector<std::pair<int64_t, bool>> expected = {
        {1234, false}, {65536, true}, {0, true}, {0, false}, {0, false}};
    ASSERT_EQ(sizes.size(), expected.size());
    for (size_t i = 0; i < sizes.size(); ++i)
        EXPECT_EQ(std::make_pair(sizes[i].bytes, sizes[i].recording), expected[i]) << i;
}

} // namespace
