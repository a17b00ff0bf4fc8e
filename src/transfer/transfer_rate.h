#pragma once
// Speed and time left of a transfer job, worked out from the worker's
// reports alone: the reports carry bytes for a plain file but only a percent
// for a recording, so the entries' sizes are read once before the job and
// the block reports refine the percent.
#include "common/SortStringArray.h"
#include "transfer/transfer_worker.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace dz {

struct EntrySize {
    int64_t bytes = 0;      // 0 for a kind the worker skips or a size not known
    bool recording = false; // its bar runs over percent, not bytes
};

// A plain file's length or a recording's total size from its companion.
EntrySize EntrySizeOf(const std::u16string& folder, const std::u16string& name);
std::vector<EntrySize> EntrySizesOf(const std::u16string& folder, const CSortStringArray& names);

// Bytes moved so far by a job, followed report by report.
class JobBytes {
public:
    explicit JobBytes(std::vector<EntrySize> entries = {});
    void OnReport(const ProgressReport& report);
    int64_t Done() const;
    int64_t Total() const { return m_total; }

private:
    std::vector<EntrySize> m_entries;
    std::vector<int64_t> m_before; // bytes of the entries before each one
    int64_t m_total = 0;
    int64_t m_current = -1; // index of the entry being copied
    int64_t m_entryDone = 0;
    int64_t m_blocks = 0;
};

// The speed over the last few seconds; nothing until enough time has passed
// for the figure to mean something.
class RateMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kWindow{5000};
    static constexpr std::chrono::milliseconds kMinSpan{1000};

    void Add(Clock::time_point when, int64_t bytesDone);
    std::optional<double> BytesPerSecond() const;

private:
    struct Sample {
        Clock::time_point when;
        int64_t bytes;
    };
    std::deque<Sample> m_samples;
};

// Whole seconds still needed at this speed; nothing without a speed.
std::optional<int64_t> SecondsLeft(int64_t bytesLeft, std::optional<double> bytesPerSecond);
// "12.3 MB/s, 1:05 left"; empty without a speed.
std::u16string FormatRate(std::optional<double> bytesPerSecond, std::optional<int64_t> secondsLeft);

} // namespace dz
