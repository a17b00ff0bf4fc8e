#include "transfer/transfer_rate.h"

#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dz {

namespace {

constexpr int64_t kBlockSize = static_cast<int64_t>(kTransferBlockSize);
constexpr int32_t kPercentRange = 100;

// A plain file's bar runs over its length, scaled down for a length beyond
// 32 bits: its position is the same share of the file's bytes.
int64_t PlainBytesDone(const ProgressReport& report, int64_t bytes) {
    if (report.range <= 0 || report.position <= 0)
        return 0;
    if (report.range == bytes)
        return std::min<int64_t>(report.position, bytes);
    const double share = static_cast<double>(report.position) / report.range;
    return std::clamp<int64_t>(static_cast<int64_t>(share * static_cast<double>(bytes)), 0, bytes);
}

} // namespace

EntrySize EntrySizeOf(const std::u16string& folder, const std::u16string& name) {
    const std::u16string path = dz::platform::JoinPath(folder, name);
    switch (dz::KindOf(path)) {
    case dz::EntryKind::kPlainFile: {
        const auto info = dz::platform::GetFileInfo(path);
        return {info ? static_cast<int64_t>(info->size) : 0, false};
    }
    case dz::EntryKind::kRecordingPart: {
        const CompanionRead companion = ReadCompanionOf(path);
        if (!companion.Ok())
            return {0, true};
        return {std::max<int64_t>(companion.totalSize, 0), true};
    }
    case dz::EntryKind::kOther:
        break;
    }
    return {};
}

std::vector<EntrySize> EntrySizesOf(const std::u16string& folder, const CSortStringArray& names) {
    std::vector<EntrySize> sizes;
    sizes.reserve(names.GetSize());
    for (const std::u16string& name : names.Items())
        sizes.push_back(EntrySizeOf(folder, name));
    return sizes;
}

JobBytes::JobBytes(std::vector<EntrySize> entries) : m_entries(std::move(entries)) {
    m_before.reserve(m_entries.size());
    for (const EntrySize& e : m_entries) {
        m_before.push_back(m_total);
        m_total += e.bytes;
    }
}

void JobBytes::OnReport(const ProgressReport& report) {
    const int64_t index = static_cast<int64_t>(report.number) - 1;
    switch (report.code) {
    case ProgressCode::FileStart:
        // A number outside the job (a report the job did not announce) keeps
        // the last known figures.
        if (index < 0 || index >= static_cast<int64_t>(m_entries.size()))
            return;
        m_current = index;
        m_entryDone = 0;
        m_blocks = 0;
        return;
    case ProgressCode::Step: {
        if (m_current < 0 || index != m_current)
            return;
        const EntrySize& entry = m_entries[static_cast<size_t>(m_current)];
        if (!entry.recording) {
            m_entryDone = PlainBytesDone(report, entry.bytes);
            return;
        }
        // A percent is coarse for a big recording; the count of blocks is
        // exact but for the short last block of each part, so it is trusted
        // within the percent step it must lie in.
        ++m_blocks;
        const int64_t percent = std::clamp<int32_t>(report.position, 0, kPercentRange);
        const int64_t low = entry.bytes * percent / kPercentRange;
        const int64_t high = std::min(entry.bytes, entry.bytes * (percent + 1) / kPercentRange);
        m_entryDone = std::clamp(m_blocks * kBlockSize, low, high);
        return;
    }
    case ProgressCode::FileDone:
        if (m_current >= 0 && index == m_current)
            m_entryDone = m_entries[static_cast<size_t>(m_current)].bytes;
        return;
    default:
        return;
    }
}

int64_t JobBytes::Done() const {
    if (m_current < 0)
        return 0;
    return m_before[static_cast<size_t>(m_current)] + m_entryDone;
}

void RateMeter::Add(Clock::time_point when, int64_t bytesDone) {
    m_samples.push_back({when, bytesDone});
    // Keep one sample at or before the window's start as the base.
    while (m_samples.size() > 2 && m_samples[1].when <= when - kWindow)
        m_samples.pop_front();
}

std::optional<double> RateMeter::BytesPerSecond() const {
    if (m_samples.size() < 2)
        return std::nullopt;
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    const auto span = last.when - first.when;
    if (span < kMinSpan)
        return std::nullopt;
    const double seconds = std::chrono::duration<double>(span).count();
    return std::max(0.0, static_cast<double>(last.bytes - first.bytes) / seconds);
}

std::optional<int64_t> SecondsLeft(int64_t bytesLeft, std::optional<double> bytesPerSecond) {
    if (!bytesPerSecond || *bytesPerSecond <= 0.0)
        return std::nullopt;
    if (bytesLeft <= 0)
        return 0;
    return static_cast<int64_t>(std::ceil(static_cast<double>(bytesLeft) / *bytesPerSecond));
}

std::u16string FormatRate(std::optional<double> bytesPerSecond,
                          std::optional<int64_t> secondsLeft) {
    if (!bytesPerSecond)
        return {};
    constexpr double kKiB = 1024.0;
    constexpr double kMiB = kKiB * 1024.0;
    constexpr double kGiB = kMiB * 1024.0;
    const double rate = *bytesPerSecond;
    // KB as the lists count it: 1,024 bytes.
    char text[64];
    if (rate >= kGiB)
        std::snprintf(text, sizeof text, "%.2f GB/s", rate / kGiB);
    else if (rate >= kMiB)
        std::snprintf(text, sizeof text, "%.1f MB/s", rate / kMiB);
    else
        std::snprintf(text, sizeof text, "%.0f KB/s", rate / kKiB);
    std::string out = text;
    if (secondsLeft) {
        const int64_t s = *secondsLeft;
        if (s >= 3600)
            std::snprintf(text, sizeof text, ", %lld:%02lld:%02lld left",
                          static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
                          static_cast<long long>(s % 60));
        else
            std::snprintf(text, sizeof text, ", %lld:%02lld left", static_cast<long long>(s / 60),
                          static_cast<long long>(s % 60));
        out += text;
    }
    return dz::Ascii(out);
}

} // namespace dz
