#include "recording/folder_listing.h"

#include "common/list_text.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"

#include <cstdio>
#include <ctime>
#include <unordered_map>

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

std::u16string CreationDateText(std::time_t t) {
    std::tm local{};
    if (!localtime_r(&t, &local))
        return dz::DateText(1970, 1, 1, 0, 0, 0);
    return dz::DateText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec);
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

// The recording's total size from its companion; 0 when the companion is
// missing or shorter than its head, as the list has always shown it, and
// when its last part is missing.
int64_t TotalSizeOfRecording(const std::u16string& folder, const std::u16string& partName,
                             FoldedNames& folded) {
    const std::u16string companionName = CompanionPathOf(partName);
    CompanionRead read = ReadCompanionAt(dz::platform::JoinPath(folder, companionName));
    if (!read.Ok()) {
        const std::u16string* stored = folded.Find(companionName);
        if (stored && *stored != companionName)
            read = ReadCompanionAt(dz::platform::JoinPath(folder, *stored));
    }
    if (!read.Ok() || !LastPartPresent(folder, partName, read.partCount, folded))
        return 0;
    return read.totalSize;
}

} // namespace

bool ListFolderRows(const std::u16string& folder, std::vector<FileListRow>& rows) {
    rows.clear();
    std::vector<dz::platform::FolderName> entries;
    if (folder.empty() || !dz::platform::SearchFolderNames(folder, entries))
        return false;
    const CRecordingName names;
    FoldedNames folded(entries);
    for (const auto& entry : entries) {
        if (entry.isFolder)
            continue;
        const std::u16string& name = entry.name;
        if (dz::IsPlainFileName(name)) {
            const auto info = dz::platform::GetFileInfo(dz::platform::JoinPath(folder, name));
            if (!info)
                continue; // gone since the folder was read
            rows.push_back({name, name,
                            dz::SizeText(static_cast<int64_t>(info->size / kBytesPerKiB)),
                            CreationDateText(info->creationTime)});
            continue;
        }
        // Parts 2, 3, ..., names outside the scheme, companions and every
        // other file are not rows of their own.
        if (!dz::IsPartFileName(name) || !names.IsFirstPart(name))
            continue;
        const RecordingDate d = names.ParseDateStamp(name);
        rows.push_back({names.GetRecordingName(name), name,
                        dz::SizeText(TotalSizeOfRecording(folder, name, folded) / kBytesPerKiB),
                        dz::DateText(d.year, d.month, d.day, d.hour, d.minute, 0)});
    }
    return true;
}

std::vector<FileListRow> ListFolderRows(const std::u16string& folder) {
    std::vector<FileListRow> rows;
    ListFolderRows(folder, rows);
    return rows;
}
