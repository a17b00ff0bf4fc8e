#include "transfer/progress_bar.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace dz {

BarValues ScaleBar(uint64_t length, uint64_t copied) {
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
    const int width = std::bit_width(length);
    const int shift = width > 31 ? width - 31 : 0;
    BarValues bar;
    bar.range = static_cast<int32_t>(length >> shift);
    bar.position = static_cast<int32_t>(std::min(copied >> shift, kMax));
    return bar;
}

int32_t RecordingPercent(uint64_t copied, uint64_t totalSize) {
    if (totalSize == 0)
        return 0;
    if (copied >= totalSize)
        return 100;
    const double percent = static_cast<double>(copied) / static_cast<double>(totalSize) * 100.0;
    return std::clamp(static_cast<int32_t>(percent), 0, 100);
}

namespace {

// A recording's bar is in percent.
constexpr int32_t kPercentRange = 100;

void Send(const TransferJob& job, int32_t total, int32_t number, ProgressCode code, int32_t range,
          int32_t position) {
    if (!job.sink)
        return;
    ProgressReport report;
    report.total = total;
    report.number = number;
    report.code = code;
    report.range = range;
    report.position = position;
    job.sink->OnProgress(report);
}

} // namespace

void ReportJob(const TransferJob& job, int32_t total, int32_t number, ProgressCode code) {
    Send(job, total, number, code, 0, 0);
}

void EntryReports::Send(ProgressCode code, int32_t range, int32_t position) const {
    dz::Send(m_job, m_total, m_number, code, range, position);
}

void EntryReports::Error(ProgressCode code, bool numbered) const {
    dz::Send(m_job, numbered ? m_total : 0, numbered ? m_number : 0, code, 0, 0);
}

void EntryReports::PlainStart(uint64_t length) {
    m_length = length;
    m_copied = 0;
    Send(ProgressCode::FileStart, ScaleBar(length, 0).range, 0);
}

void EntryReports::PlainStep(uint64_t share) {
    m_copied += share;
    const BarValues bar = ScaleBar(m_length, m_copied);
    Send(ProgressCode::Step, bar.range, bar.position);
}

void EntryReports::PlainDone() const {
    const BarValues bar = ScaleBar(m_length, m_copied);
    Send(ProgressCode::FileDone, bar.range, bar.position);
}

void EntryReports::RecordingStart(uint64_t totalSize) {
    m_length = totalSize;
    m_copied = 0;
    Send(ProgressCode::FileStart, kPercentRange, 0);
}

void EntryReports::RecordingStep(uint64_t share) {
    m_copied += share;
    Send(ProgressCode::Step, kPercentRange, RecordingPercent(m_copied, m_length));
}

void EntryReports::RecordingDone() const {
    Send(ProgressCode::FileDone, kPercentRange, kPercentRange);
}

} // namespace dz
