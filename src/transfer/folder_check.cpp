#include "transfer/folder_check.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/location_text.h"
#include "transfer/entry_rename.h"
#include "transfer/location_patch.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>

namespace dz {
namespace {

using platform::JoinPath;

// The transport stream's packets: each starts with this byte.
constexpr uint8_t kTsSyncByte = 0x47;
constexpr size_t kTsPacketSize = 188;

std::u16string Number(uint64_t n) {
    return Ascii(std::to_string(n));
}

// The files of one recording as the folder holds them: the companion under
// part 1's name, the parts by number.
struct Group {
    std::u16string recordingName, dateStamp;
    int32_t suffixNumber = 0;
    std::u16string companion; // its file name, or empty
    std::map<int32_t, std::u16string> parts;
};
using GroupKey = std::tuple<std::u16string, std::u16string, int32_t>;

class FolderChecker {
public:
    FolderChecker(std::u16string folder, std::vector<Finding>& out)
        : m_folder(std::move(folder)), m_recorderFolder(RecorderFolderTextOf(m_folder)),
          m_out(out) {}

    // The subfolders found, for the caller to walk.
    std::vector<std::u16string> Run();

private:
    void Add(const std::u16string& name, Problem problem, std::u16string text,
             Mend mend = Mend::kNone) {
        Finding f;
        f.folder = m_folder;
        f.name = name;
        f.problem = problem;
        f.text = std::move(text);
        f.mend = mend;
        m_out.push_back(std::move(f));
    }
    void CheckGroup(Group& group);
    void CheckLocation(const Group& group, const std::u16string& name, bool companion,
                       const std::optional<std::u16string>& found);
    // Reads a part once: its location text checked against the group's
    // (when a group is given), then the start of its stream. Gives its size.
    uint64_t CheckPart(const std::u16string& name, const Group* locationOf = nullptr);
    bool PairRename(Group& old);

    std::u16string m_folder;
    // Where the recorder would find this folder: one resolution per check.
    std::u16string m_recorderFolder;
    std::vector<Finding>& m_out;
    std::map<GroupKey, Group> m_groups;
    std::set<GroupKey> m_renamedTo; // groups explained by a rename cut short
};

std::vector<std::u16string> FolderChecker::Run() {
    std::vector<std::u16string> subfolders;
    std::vector<platform::FolderName> names;
    if (!platform::SearchFolderNames(m_folder, names)) {
        Add({}, Problem::kUnreadableFolder, msg::kCheckUnreadableFolder);
        return subfolders;
    }
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return CompareNoCaseAZ(a.name, b.name) < 0; });
    for (const platform::FolderName& entry : names) {
        if (entry.isFolder) {
            subfolders.push_back(entry.name);
            continue;
        }
        if (platform::IsTemporaryName(entry.name)) {
            if (platform::IsDeadTemporary(m_folder, entry.name))
                Add(entry.name, Problem::kDeadTemporary, msg::kCheckDeadTemporary,
                    Mend::kRemoveTemporary);
            continue;
        }
        const bool part = IsPartFileName(entry.name);
        if (!part && !HasExtension(entry.name, u".avf"))
            continue;
        RecordingNameParts pieces;
        if (SplitSiblingNames(entry.name, pieces) != 0)
            continue; // no "_#": no recording of the scheme
        Group& group = m_groups[{pieces.recordingName, pieces.dateStamp, pieces.suffixNumber}];
        group.recordingName = pieces.recordingName;
        group.dateStamp = pieces.dateStamp;
        group.suffixNumber = pieces.suffixNumber;
        if (part)
            group.parts.emplace(pieces.partNumber, entry.name);
        else if (pieces.partNumber == 1)
            group.companion = entry.name;
    }
    // A rename cut short explains the old name's missing parts and the new
    // name's parts without a companion: it is named once, on the old companion.
    for (auto& [key, group] : m_groups)
        if (!group.companion.empty())
            PairRename(group);
    for (auto& [key, group] : m_groups)
        if (!m_renamedTo.count(key))
            CheckGroup(group);
    return subfolders;
}

bool FolderChecker::PairRename(Group& old) {
    const CompanionRead read = ReadCompanionAt(JoinPath(m_folder, old.companion));
    if (!read.Ok())
        return false;
    int32_t present = 0;
    for (int32_t p = 1; p <= read.partCount; ++p)
        present += old.parts.count(p) > 0;
    if (present == read.partCount)
        return false;
    const std::u16string oldPart1 =
        CRecordingName().MakePartPath(u"", old.recordingName, 1, old.dateStamp, old.suffixNumber);
    std::optional<GroupKey> match;
    for (const auto& [key, other] : m_groups) {
        if (other.recordingName == old.recordingName || other.dateStamp != old.dateStamp ||
            other.suffixNumber != old.suffixNumber || other.parts.empty())
            continue;
        const PreparedRename job = PrepareRename(m_folder, oldPart1, other.recordingName);
        if (job.status != PreparedRename::Status::kReady || !job.finishesEarlier)
            continue;
        if (match)
            return false; // two candidates: which rename it was cannot be told
        match = key;
    }
    if (!match)
        return false;
    const Group& renamed = m_groups[*match];
    Finding f;
    f.folder = m_folder;
    f.name = old.companion;
    f.problem = Problem::kRenameCutShort;
    f.text = FillMessage(msg::kCheckRenameCutShort, renamed.recordingName);
    f.mend = Mend::kFinishRename;
    f.oldPart1 = oldPart1;
    f.newRecordingName = renamed.recordingName;
    m_out.push_back(std::move(f));
    m_renamedTo.insert(*match);
    m_renamedTo.insert({old.recordingName, old.dateStamp, old.suffixNumber});
    return true;
}

void FolderChecker::CheckGroup(Group& group) {
    const auto strays = [&](int32_t beyond, Problem problem, const std::u16string& text) {
        for (const auto& [number, name] : group.parts)
            if (number > beyond || number < 1)
                Add(name, problem, text);
    };
    if (group.companion.empty()) {
        strays(0, Problem::kStrayNoCompanion, msg::kCheckStrayNoCompanion);
        for (const auto& [number, name] : group.parts)
            CheckPart(name);
        return;
    }
    const std::u16string companionPath = JoinPath(m_folder, group.companion);
    const CompanionRead read = ReadCompanionAt(companionPath);
    if (read.status == CompanionStatus::Unreadable || read.status == CompanionStatus::Missing) {
        Add(group.companion, Problem::kCompanionUnreadable, msg::kCheckCompanionUnreadable);
        return;
    }
    if (read.status == CompanionStatus::Short) {
        Add(group.companion, Problem::kCompanionShort, msg::kCheckCompanionShort);
        for (const auto& [number, name] : group.parts)
            CheckPart(name);
        return;
    }
    const int32_t count = read.partCount;
    if (!group.parts.count(1) && count >= 1)
        Add(group.companion, Problem::kNoFirstPart, msg::kCheckNoFirstPart);
    bool whole = true;
    for (int32_t p = 1; p <= count; ++p) {
        if (group.parts.count(p))
            continue;
        whole = false;
        if (p > 1)
            Add(group.companion, Problem::kPartMissing,
                FillCounts(msg::kCheckPartMissing, p, count));
    }
    strays(count, Problem::kStrayBeyondCount, FillCounts(msg::kCheckStrayBeyondCount, count, 0));
    CheckLocation(group, group.companion, true, read.location);
    uint64_t sum = 0;
    for (const auto& [number, name] : group.parts) {
        if (number < 1 || number > count)
            continue;
        sum += CheckPart(name, &group);
    }
    if (whole && static_cast<uint64_t>(read.totalSize) != sum)
        Add(group.companion, Problem::kTotalSize,
            FillMessage(
                FillMessage(msg::kCheckTotalSize, Number(static_cast<uint64_t>(read.totalSize))),
                Number(sum)));
}

void FolderChecker::CheckLocation(const Group& group, const std::u16string& name, bool companion,
                                  const std::optional<std::u16string>& found) {
    RecordingNameParts pieces;
    pieces.recordingName = group.recordingName;
    pieces.dateStamp = group.dateStamp;
    pieces.suffixNumber = group.suffixNumber;
    const std::optional<std::u16string> expected = LocationTextIn(m_recorderFolder, pieces);
    // A file shorter than its header has no field; one whose place the
    // recorder's text cannot hold is for the copy's checks to name.
    if (!found || !expected || EqualNoCaseAZ(*found, *expected))
        return;
    Finding f;
    f.folder = m_folder;
    f.name = name;
    f.problem = Problem::kLocationElsewhere;
    f.text = found->empty() ? std::u16string(msg::kCheckLocationEmpty)
                            : FillMessage(msg::kCheckLocationElsewhere, *found);
    f.mend = Mend::kRewriteLocation;
    f.location = *expected;
    f.companion = companion;
    m_out.push_back(std::move(f));
}

uint64_t FolderChecker::CheckPart(const std::u16string& name, const Group* locationOf) {
    const std::u16string path = JoinPath(m_folder, name);
    platform::File file = platform::File::OpenRead(path);
    const int64_t size = file.Size();
    if (!file.IsOpen() || size < 0) {
        const auto info = platform::GetFileInfo(path);
        return info ? info->size : 0;
    }
    std::array<uint8_t, kPartHeaderSize> header{};
    const int64_t got = file.Read(header.data(), header.size());
    // A part shorter than its header has no location field.
    if (locationOf && got == static_cast<int64_t>(kPartHeaderSize))
        CheckLocation(*locationOf, name, false,
                      LocationTextOf(header.data() + kPartLocationOffset));
    const auto whole = static_cast<uint64_t>(size);
    const uint64_t offset = got >= static_cast<int64_t>(kPartStreamOffsetOffset + 2)
                                ? ReadBigEndian(header.data() + kPartStreamOffsetOffset, 2)
                                : kPartHeaderSize;
    if (offset > whole || got < static_cast<int64_t>(kPartHeaderSize)) {
        Add(name, Problem::kStreamOffsetPastEnd,
            FillMessage(FillMessage(msg::kCheckStreamOffsetPastEnd, Number(offset)),
                        Number(whole)));
        return whole;
    }
    // The first packet and, where the part holds it, the next one.
    for (uint64_t at = offset; at < offset + 2 * kTsPacketSize && at < whole; at += kTsPacketSize) {
        uint8_t sync = 0;
        if (!file.Seek(at) || file.Read(&sync, 1) != 1)
            return whole;
        if (sync != kTsSyncByte) {
            Add(name, Problem::kNotTransportStream, msg::kCheckNotTransportStream);
            return whole;
        }
    }
    return whole;
}

void Walk(const std::u16string& folder, bool recursive, std::vector<Finding>& out) {
    const std::vector<std::u16string> subfolders = FolderChecker(folder, out).Run();
    if (!recursive)
        return;
    for (const std::u16string& name : subfolders)
        Walk(JoinPath(folder, name), true, out);
}

bool RewriteCompanionLocation(const Finding& f) {
    const std::u16string path = JoinPath(f.folder, f.name);
    const std::optional<platform::FileStamp> before = platform::StampOf(path);
    std::optional<std::u16string> staged = StagePatchedCompanion(path, f.folder, f.location);
    if (!staged)
        return false;
    platform::CopyModificationTime(path, *staged);
    const platform::CommitLock lock(f.folder);
    // Another program that wrote to the companion meanwhile keeps its bytes.
    if (platform::StampOf(path) != before || !platform::CommitByRename(*staged, path)) {
        platform::DeleteIfPresent(*staged);
        return false;
    }
    return platform::FlushFolder(f.folder);
}

} // namespace

std::vector<Finding> CheckFolder(const std::u16string& folder, bool recursive) {
    std::vector<Finding> out;
    Walk(folder, recursive, out);
    return out;
}

bool MendFinding(const Finding& f) {
    switch (f.mend) {
    case Mend::kNone:
        return false;
    case Mend::kRemoveTemporary:
        return !platform::IsDeadTemporary(f.folder, f.name) ||
               platform::DeleteIfPresent(JoinPath(f.folder, f.name));
    case Mend::kRewriteLocation: {
        const std::u16string path = JoinPath(f.folder, f.name);
        const std::optional<std::u16string> now = LocationOfFile(path, f.companion);
        if (!now)
            return false;
        if (*now == f.location)
            return true;
        return f.companion ? RewriteCompanionLocation(f) : PatchPartLocation(path, f.location);
    }
    case Mend::kFinishRename: {
        const PreparedRename job = PrepareRename(f.folder, f.oldPart1, f.newRecordingName);
        return job.status == PreparedRename::Status::kReady && job.finishesEarlier &&
               RunRename(job).done;
    }
    }
    return false;
}

std::u16string MendText(Mend mend) {
    switch (mend) {
    case Mend::kRewriteLocation:
        return msg::kFixRewriteLocation;
    case Mend::kRemoveTemporary:
        return msg::kFixRemoveTemporary;
    case Mend::kFinishRename:
        return msg::kFixFinishRename;
    case Mend::kNone:
        break;
    }
    return msg::kFixNothing;
}

std::u16string CheckSummaryText(size_t findings, const std::u16string& folder) {
    if (findings == 0)
        return FillMessage(msg::kCheckFolderNothing, folder);
    if (findings == 1)
        return FillMessage(msg::kCheckFolderFoundOne, folder);
    return FillMessage(FillCounts(msg::kCheckFolderFound, static_cast<int32_t>(findings), 0),
                       folder);
}

} // namespace dz
