#include "recording/folder_listing.h"

#include "common/SortStringArray.h"
#include "common/list_text.h"
#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/location_text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <unordered_map>

namespace dz {

namespace {

constexpr int64_t kBytesPerKiB = 1024;

// Companion names as stored, by their name with the extension A-Z folded
// (the recording name must match exactly: NEWS never shows news's size);
// built only when a companion is not found under its built upper-case name.
class FoldedNames {
public:
    explicit FoldedNames(const std::vector<dz::platform::FolderName>& entries)
        : m_entries(entries) {}

    const std::u16string* Find(const std::u16string& name) {
        if (!m_built) {
            m_built = true;
            for (const auto& e : m_entries)
                if (!e.isFolder)
                    m_byFolded.try_emplace(dz::platform::FoldExtensionAZ(e.name), &e.name);
        }
        const auto it = m_byFolded.find(dz::platform::FoldExtensionAZ(name));
        return it == m_byFolded.end() ? nullptr : it->second;
    }

private:
    const std::vector<dz::platform::FolderName>& m_entries;
    bool m_built = false;
    std::unordered_map<std::u16string, const std::u16string*> m_byFolded;
};

int64_t DateKey(int year, int month, int day, int hour, int minute, int second) {
    return ((((static_cast<int64_t>(year) * 100 + month) * 100 + day) * 100 + hour) * 100 +
            minute) *
               100 +
           second;
}

struct ShownDate {
    std::u16string text;
    int64_t key = 0;
};

ShownDate CreationDate(std::time_t t) {
    const std::optional<std::tm> time = dz::platform::LocalTime(t);
    if (!time)
        return {dz::DateText(1970, 1, 1, 0, 0, 0), DateKey(1970, 1, 1, 0, 0, 0)};
    const std::tm& local = *time;
    const int year = local.tm_year + 1900;
    const int month = local.tm_mon + 1;
    return {dz::DateText(year, month, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec),
            DateKey(year, month, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec)};
}

int CompareByName(const FileListRow& a, const FileListRow& b) {
    if (const int c = CSortStringArray::CompareNoCase(a.fileName, b.fileName))
        return c;
    return CSortStringArray::Compare(a.realFileName, b.realFileName);
}

template <class T> int Compare3(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Part p's name from part 1's as stored: the three digits after "_#" replaced.
std::u16string PartNameFrom(const std::u16string& firstPartName, uint16_t p) {
    const size_t k = firstPartName.find(u"_#");
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03u", static_cast<unsigned>(p));
    std::u16string name = firstPartName;
    name.replace(k + 2, 3, dz::Ascii(digits));
    return name;
}

// A copy puts its companion in place last and a deletion removes the last
// part first: a recording whose last part is missing is one of those cut
// short, and must not look whole.
bool LastPartPresent(const std::u16string& folder, const std::u16string& partName, uint16_t count,
                     FoldedNames& folded) {
    if (count <= 1 || count > 999)
        return true;
    const std::u16string last = PartNameFrom(partName, count);
    return dz::platform::PathExists(dz::platform::JoinPath(folder, last)) || folded.Find(last);
}

// The bytes of parts 1 .. count as they are on disk.
int64_t PartsSum(const std::u16string& folder, const std::u16string& partName, int32_t count,
                 FoldedNames& folded) {
    uint64_t sum = 0;
    for (int32_t n = 1; n <= count; ++n) {
        const std::u16string name = PartNameFrom(partName, static_cast<uint16_t>(n));
        const std::u16string* stored = folded.Find(name);
        if (const auto info =
                dz::platform::GetFileInfo(dz::platform::JoinPath(folder, stored ? *stored : name)))
            sum += info->size;
    }
    return static_cast<int64_t>(std::min<uint64_t>(sum, INT64_MAX));
}

struct RecordingSize {
    int64_t bytes = 0;
    bool fromParts = false; // the companion's total is impossible; the parts' sum stands in
    std::u16string problem; // why the recording is not whole, if it is not
};

std::u16string CompanionProblem(CompanionStatus status) {
    switch (status) {
    case CompanionStatus::Ok:
        return {};
    case CompanionStatus::Missing:
        return dz::msg::kCheckStrayNoCompanion;
    case CompanionStatus::Short:
        return dz::msg::kCheckCompanionShort;
    case CompanionStatus::Unreadable:
        break;
    }
    return dz::msg::kCheckCompanionUnreadable;
}

// The location text read from the companion against the one the recording's
// place calls for; nothing to say when the place cannot be named.
std::u16string LocationProblem(const std::u16string& partName, const std::u16string& found,
                               const std::optional<std::u16string>& recorderFolder) {
    RecordingNameParts pieces;
    if (!recorderFolder || SplitSiblingNames(partName, pieces) != 0)
        return {};
    const std::optional<std::u16string> expected = LocationTextIn(*recorderFolder, pieces);
    if (!expected || dz::EqualNoCaseAZ(found, *expected))
        return {};
    return found.empty() ? std::u16string(dz::msg::kCheckLocationEmpty)
                         : dz::FillMessage(dz::msg::kCheckLocationElsewhere, found);
}

// The recording's total size from its companion; 0 when the companion is
// missing or shorter than its head, as the list has always shown it, and
// when its last part is missing. A total no disk can hold (2^63 bytes and
// more) would show as a negative size or as 0: the parts' sum is shown
// instead, marked as such.
RecordingSize TotalSizeOfRecording(const std::u16string& folder, const std::u16string& partName,
                                   FoldedNames& folded,
                                   const std::optional<std::u16string>& recorderFolder) {
    const std::u16string companionName = CompanionPathOf(partName);
    CompanionRead read = ReadCompanionAt(dz::platform::JoinPath(folder, companionName));
    if (!read.Ok()) {
        const std::u16string* stored = folded.Find(companionName);
        if (stored && *stored != companionName)
            read = ReadCompanionAt(dz::platform::JoinPath(folder, *stored));
    }
    if (!read.Ok())
        return {0, false, CompanionProblem(read.status)};
    if (!LastPartPresent(folder, partName, read.partCount, folded))
        return {0, false,
                dz::FillCounts(dz::msg::kCheckPartMissing, read.partCount, read.partCount)};
    std::u16string problem = LocationProblem(partName, read.location, recorderFolder);
    if (read.totalSize < 0)
        return {PartsSum(folder, partName, read.partCount, folded), true, std::move(problem)};
    return {read.totalSize, false, std::move(problem)};
}

} // namespace

bool ListFolderRows(const std::u16string& folder, std::vector<FileListRow>& rows) {
    rows.clear();
    std::vector<dz::platform::FolderName> entries;
    if (folder.empty() || !dz::platform::SearchFolderNames(folder, entries))
        return false;
    const CRecordingName names;
    FoldedNames folded(entries);
    // Worked out at the first recording, once for the folder.
    std::optional<std::u16string> recorderFolder;
    for (const auto& entry : entries) {
        if (entry.isFolder)
            continue;
        const std::u16string& name = entry.name;
        switch (dz::KindOf(name)) {
        case dz::EntryKind::kPlainFile: {
            const auto info = dz::platform::GetFileInfo(dz::platform::JoinPath(folder, name));
            if (!info)
                break; // gone since the folder was read
            ShownDate date = CreationDate(info->creationTime);
            rows.push_back({name,
                            name,
                            dz::SizeText(static_cast<int64_t>(info->size / kBytesPerKiB)),
                            std::move(date.text),
                            static_cast<int64_t>(info->size),
                            date.key,
                            {},
                            -1,
                            {}});
            break;
        }
        case dz::EntryKind::kRecordingPart: {
            // Parts 2, 3, ... and names outside the scheme are not rows of their own.
            if (!names.IsFirstPart(name))
                break;
            const RecordingDate d = names.ParseDateStamp(name);
            if (!recorderFolder)
                recorderFolder = RecorderFolderTextOf(folder);
            const RecordingSize total = TotalSizeOfRecording(folder, name, folded, recorderFolder);
            std::u16string size = dz::SizeText(total.bytes / kBytesPerKiB);
            if (total.fromParts)
                size += dz::msg::kSizeFromParts;
            rows.push_back({names.GetRecordingName(name),
                            name,
                            std::move(size),
                            dz::DateText(d.year, d.month, d.day, d.hour, d.minute, 0),
                            total.bytes,
                            DateKey(d.year, d.month, d.day, d.hour, d.minute, 0),
                            {},
                            -1,
                            total.problem});
            break;
        }
        case dz::EntryKind::kOther: // companions and every other file
            break;
        }
    }
    SortRows(rows, RowSort{});
    return true;
}

void SortRows(std::vector<FileListRow>& rows, RowSort sort) {
    std::stable_sort(rows.begin(), rows.end(), [sort](const FileListRow& a, const FileListRow& b) {
        int c = 0;
        if (sort.column == RowSortColumn::Size)
            c = Compare3(a.sizeBytes, b.sizeBytes);
        else if (sort.column == RowSortColumn::Date)
            c = Compare3(a.dateKey, b.dateKey);
        else if (sort.column == RowSortColumn::Length)
            c = Compare3(a.lengthKey, b.lengthKey);
        if (c == 0)
            c = CompareByName(a, b);
        return sort.descending ? c > 0 : c < 0;
    });
}

RowSort NextSort(RowSort current, RowSortColumn clicked) {
    if (current.column == clicked)
        return {clicked, !current.descending};
    return {clicked, false};
}

std::vector<FileListRow> ListFolderRows(const std::u16string& folder) {
    std::vector<FileListRow> rows;
    ListFolderRows(folder, rows);
    return rows;
}

void ShowLengthInRow(FileListRow& row, const std::optional<int64_t>& ticks) {
    row.lengthText = LengthText(ticks);
    row.lengthKey = ticks.value_or(-1);
}

std::vector<size_t> VisibleFirstOrder(size_t rows, size_t topVisible) {
    std::vector<size_t> order;
    order.reserve(rows);
    const size_t top = topVisible < rows ? topVisible : 0;
    for (size_t i = top; i < rows; ++i)
        order.push_back(i);
    for (size_t i = 0; i < top; ++i)
        order.push_back(i);
    return order;
}

} // namespace dz
