// The transfer worker. Every file goes through one block loop; what differs
// between a plain file, a companion and a part is only what is reported after
// each block and whether a cancel is looked at.
#include "transfer/transfer_worker.h"

#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/location_text.h"
#include "recording/recording_files.h"
#include "transfer/entry_deletion.h"
#include "transfer/transfer_plan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

namespace dz {

namespace {

using dz::platform::File;

bool CancelRequested(const TransferJob& job) {
    return job.cancel && job.cancel->Cancelled();
}

void Report(const TransferJob& job, int32_t total, int32_t number, ProgressCode code,
            int32_t range = 0, int32_t position = 0) {
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

std::unique_ptr<uint8_t[]> TryAllocate(size_t n) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n]);
}

enum class BlockCopy { Done, Cancelled, ReadFailed, WriteFailed, LengthChanged };

// Blocks moved by one kernel copy. A cancel is still seen after the block
// it arrives in; the few blocks already copied beyond it are rolled back
// with the rest of the entry.
constexpr uint64_t kBlocksPerKernelCopy = 16;

// The location field rewritten inside a file's header on its way through
// memory: the copy is never read back, which some file systems refuse on a
// handle that was opened to write.
struct HeaderPatch {
    size_t size = 0; // the header's length; a file shorter than it is left as copied
    size_t fieldOffset = 0;
    const std::u16string* text = nullptr;
};

void ApplyPatch(uint8_t* header, const HeaderPatch& patch) {
    WriteLocationField(header + patch.fieldOffset, *patch.text);
}

// One file in blocks: as many as the length has started 64 KiB, then one more
// if the bytes copied differ from the length (the file changed while it was
// copied). afterBlock runs after each block and answers false to stop.
// Still differing after that extra block is a failure, not a short copy.
// With a patch, the first block passes through the buffer and has its
// header rewritten before it is written.
template <class AfterBlock>
BlockCopy CopyBlocks(File& in, File& out, uint64_t length, uint8_t* block, uint64_t& copied,
                     const HeaderPatch* patch, AfterBlock afterBlock) {
    copied = 0;
    // Several 64 KiB blocks go in one kernel copy, then each block's share
    // of it is handed to afterBlock in turn: the reports are exactly those of
    // one copy per block, without one system call per block. Done when all
    // went through and afterBlock wants more.
    auto run = [&](uint64_t blocks) {
        const int64_t n = in.CopyTo(out, block, kTransferBlockSize, blocks * kTransferBlockSize);
        if (n == File::kCopyReadFailed)
            return BlockCopy::ReadFailed;
        if (n == File::kCopyWriteFailed)
            return BlockCopy::WriteFailed;
        uint64_t left = static_cast<uint64_t>(n);
        for (uint64_t b = 0; b < blocks; ++b) {
            const uint64_t share = std::min<uint64_t>(left, kTransferBlockSize);
            left -= share;
            copied += share;
            if (!afterBlock(share))
                return BlockCopy::Cancelled;
        }
        return BlockCopy::Done;
    };
    const uint64_t blocks = (length + kTransferBlockSize - 1) / kTransferBlockSize;
    uint64_t first = 0;
    if (patch && blocks > 0) {
        const int64_t n = in.Read(block, kTransferBlockSize);
        if (n < 0)
            return BlockCopy::ReadFailed;
        const size_t got = static_cast<size_t>(n);
        if (got >= patch->size)
            ApplyPatch(block, *patch);
        if (!out.Write(block, got))
            return BlockCopy::WriteFailed;
        copied = got;
        if (!afterBlock(got))
            return BlockCopy::Cancelled;
        first = 1;
    }
    for (uint64_t b = first; b < blocks; b += kBlocksPerKernelCopy) {
        if (const BlockCopy result = run(std::min(blocks - b, kBlocksPerKernelCopy));
            result != BlockCopy::Done)
            return result;
    }
    if (copied == length)
        return BlockCopy::Done;
    // The extra block's report only: the file is finished either way.
    if (const BlockCopy result = run(1);
        result == BlockCopy::ReadFailed || result == BlockCopy::WriteFailed)
        return result;
    return copied == length ? BlockCopy::Done : BlockCopy::LengthChanged;
}

// Makes a recording found in place at the destination durable before its
// source goes: whoever wrote it may not have flushed it.
bool FlushEntry(const std::u16string& folder, const std::u16string& name) {
    for (const std::u16string& path : dz::EntryFiles(folder, name)) {
        // A copy keeps a read-only part read-only; Linux flushes it through a
        // read handle. Where that fails too, the entry is copied again.
        File file = File::OpenReadWrite(path);
        if (!file.IsOpen())
            file = File::OpenRead(path);
        if (!file.Flush() || !file.Close())
            return false;
    }
    return dz::platform::FlushFolder(folder);
}

// How putting an entry in place ended.
enum class CommitEnd {
    Done,
    Exists,         // another entry of that name is there and may not be replaced
    Unwritable,     // nothing of the entry is at the destination; an older copy is as it was
    ReplacedInPart, // an older copy was being replaced: neither it nor the new one is there
};

// One entry's files at the destination, written under temporary names and
// put in place together. Whatever is not committed is removed on the way out.
class StagedEntry {
public:
    explicit StagedEntry(std::u16string folder) : m_folder(std::move(folder)) {}
    ~StagedEntry() {
        for (const Staged& file : m_files)
            if (!file.committed)
                dz::platform::DeleteIfPresent(file.temporary);
    }
    StagedEntry(const StagedEntry&) = delete;
    StagedEntry& operator=(const StagedEntry&) = delete;

    File Create(const std::u16string& sourcePath, const std::u16string& finalPath) {
        std::u16string temporary;
        File file = File::CreateTemporary(m_folder, temporary);
        if (file.IsOpen())
            m_files.push_back({temporary, finalPath, sourcePath, false});
        return file;
    }
    const std::u16string& LastTemporary() const { return m_files.back().temporary; }

    // Puts every file in place, the first one staged (a recording's
    // companion) last, then, when asked, makes the names durable. Until the
    // companion is in place the recording is not listed with its size, so a
    // commit cut short never looks whole; one that fails takes back what it
    // put in place. The look at what is there and the renames are one step
    // for every job of this program: another job's entry of the same name
    // is never replaced unless mayReplace says the user agreed to it.
    CommitEnd Commit(bool durable, bool mayReplace) {
        const dz::platform::CommitLock lock(m_folder);
        const CommitEnd end = !EntryIsThere() ? CommitNew(durable)
                              : mayReplace    ? Replace(durable)
                                              : CommitEnd::Exists;
        // Users sort recordings and music by date: each copy keeps its
        // source's. A disk that keeps no such time fails nothing.
        if (end == CommitEnd::Done)
            for (const Staged& file : m_files)
                dz::platform::CopyModificationTime(file.source, file.destination);
        return end;
    }

private:
    struct Staged {
        std::u16string temporary;
        std::u16string destination;
        std::u16string source;
        bool committed = false;
    };

    bool IsRecording() const {
        return m_files.size() > 1 || !IsPlainFileName(m_files[0].destination);
    }

    // An entry is there when it can be played: a plain file under its name,
    // a recording's companion with its part 1. Pieces that a copy cut short
    // left are no entry.
    bool EntryIsThere() const {
        if (!dz::platform::PathExists(m_files[0].destination))
            return false;
        return m_files.size() < 2 || dz::platform::PathExists(m_files[1].destination);
    }

    template <class Put> bool PutAll(Put put) {
        for (size_t i = 1; i <= m_files.size(); ++i) {
            Staged& file = m_files[i % m_files.size()];
            if (!put(file))
                return false;
            file.committed = true;
        }
        return true;
    }

    void TakeBack() {
        for (Staged& file : m_files) {
            if (file.committed)
                dz::platform::DeleteIfPresent(file.destination);
            file.committed = false;
        }
    }

    bool AnyCommitted() const {
        return std::any_of(m_files.begin(), m_files.end(),
                           [](const Staged& file) { return file.committed; });
    }

    CommitEnd CommitNew(bool durable) {
        for (const Staged& file : m_files)
            if (!dz::platform::DeleteIfPresent(file.destination))
                return CommitEnd::Unwritable;
        dz::platform::CommitResult refused = dz::platform::CommitResult::Done;
        const bool put = PutAll([&](const Staged& file) {
            refused = dz::platform::CommitWithoutReplacing(file.temporary, file.destination);
            return refused == dz::platform::CommitResult::Done;
        });
        if (!put || (durable && !dz::platform::FlushFolder(m_folder))) {
            TakeBack();
            return refused == dz::platform::CommitResult::Exists ? CommitEnd::Exists
                                                                 : CommitEnd::Unwritable;
        }
        return CommitEnd::Done;
    }

    // The older copy is replaced file by file, its companion last; its parts
    // beyond the new count go once the new copy is in place.
    CommitEnd Replace(bool durable) {
        std::vector<std::u16string> beyond;
        if (IsRecording())
            beyond = PartsBeyond(m_files.size() - 1);
        const bool put = PutAll([](const Staged& file) {
            return dz::platform::CommitByRename(file.temporary, file.destination);
        });
        if (!put || (durable && !dz::platform::FlushFolder(m_folder))) {
            if (!AnyCommitted())
                return CommitEnd::Unwritable;
            // Half the older copy under a new companion, or the other way
            // round, would look whole: neither stays.
            TakeBack();
            const std::u16string& entry = m_files[IsRecording() ? 1 : 0].destination;
            const size_t cut = entry.rfind(dz::platform::kSeparator) + 1;
            DeleteEntryFiles(m_folder, entry.substr(cut));
            return CommitEnd::ReplacedInPart;
        }
        for (const std::u16string& path : beyond)
            dz::platform::DeleteIfPresent(path);
        return CommitEnd::Done;
    }

    // The parts of the recording at the destination that its companion
    // counts beyond the first `parts`.
    std::vector<std::u16string> PartsBeyond(size_t parts) const {
        std::vector<std::u16string> paths;
        std::optional<RecordingFiles> older = RecordingFiles::Of(m_files[1].destination);
        if (!older)
            return paths;
        for (int32_t p = static_cast<int32_t>(parts) + 1; p <= older->CountedParts(0); ++p)
            paths.push_back(older->PartPath(p));
        return paths;
    }

    std::u16string m_folder;
    std::vector<Staged> m_files;
};

// What one entry's copy needs from its job, and what it tells the job back.
struct EntryContext {
    const TransferJob& job;
    int32_t total = 0;
    int32_t number = 0;
    std::u16string destinationFolder;
    // Names this job has put in place, as the destination folder compares them.
    std::vector<std::u16string>* written = nullptr;
    bool destinationIgnoresCase = false;
    // A move makes every file and its folder durable before it removes the
    // source; a copy leaves the writing-back to the system, as cp does.
    bool durable = false;
    // The user agreed to replace an entry of this name at the destination.
    bool mayReplace = false;
    TransferFailure failure = TransferFailure::None;
};

int Fail(EntryContext& c, ProgressCode code, TransferFailure why, bool numbered = true) {
    Report(c.job, numbered ? c.total : 0, numbered ? c.number : 0, code);
    c.failure = why;
    return -1;
}

TransferFailure WriteFailure(const File& out) {
    switch (out.LastFailure()) {
    case File::Failure::DiskFull:
        return TransferFailure::DestinationFull;
    case File::Failure::TooLarge:
        return TransferFailure::DestinationTooLarge;
    default:
        return TransferFailure::DestinationUnwritable;
    }
}

std::u16string WrittenKey(const EntryContext& c, const std::u16string& path) {
    const std::u16string name = path.substr(path.rfind(dz::platform::kSeparator) + 1);
    return c.destinationIgnoresCase ? dz::ToUpperAZ(name) : name;
}

// A destination this job has already put a file at: on a folder that does
// not tell letter case apart, NEWS and news are one name, and the second
// would replace the first, whose source a move has already removed.
bool ReplacesEarlierWrite(const EntryContext& c, const std::u16string& path) {
    if (!c.written)
        return false;
    const std::u16string key = WrittenKey(c, path);
    return std::find(c.written->begin(), c.written->end(), key) != c.written->end();
}

void RememberWritten(EntryContext& c, const std::u16string& path) {
    if (c.written)
        c.written->push_back(WrittenKey(c, path));
}

// Copies one file into a temporary of the entry: 0, 1 cancelled, -1 failed
// and reported. onStart(length) runs once both files are open;
// afterBlock as for CopyBlocks.
template <class OnStart, class AfterBlock>
int StageFile(EntryContext& c, StagedEntry& entry, const std::u16string& sourcePath,
              const std::u16string& destinationPath, uint8_t* block, const HeaderPatch* patch,
              OnStart onStart, AfterBlock afterBlock) {
    const std::optional<dz::platform::Attributes> attributes =
        dz::platform::GetAttributes(sourcePath);
    File in = File::OpenRead(sourcePath);
    if (!in.IsOpen())
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::SourceUnreadable);
    File out = entry.Create(sourcePath, destinationPath);
    if (!out.IsOpen())
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::DestinationUnwritable);
    const int64_t size = in.Size();
    if (size < 0)
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::SourceUnreadable);
    const uint64_t length = static_cast<uint64_t>(size);
    onStart(length);
    uint64_t copied = 0;
    const BlockCopy how = CopyBlocks(in, out, length, block, copied, patch, afterBlock);
    if (how == BlockCopy::Cancelled)
        return 1;
    if (how == BlockCopy::WriteFailed)
        return Fail(c, ProgressCode::ErrorDestination, WriteFailure(out));
    if (how != BlockCopy::Done)
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::SourceUnreadable);
    if (attributes) // a file system without permission bits keeps its own
        dz::platform::SetAttributes(entry.LastTemporary(), *attributes);
    // Durable before it is put in place, so that a move never removes a
    // source whose copy is still only in memory. A close that fails may
    // mean written data never arrived, for a copy too.
    if ((c.durable && !out.Flush()) || !out.Close())
        return Fail(c, ProgressCode::ErrorDestination, WriteFailure(out));
    (void)copied;
    return 0;
}

int CommitEntry(EntryContext& c, StagedEntry& entry, const std::vector<std::u16string>& finals) {
    switch (entry.Commit(c.durable, c.mayReplace)) {
    case CommitEnd::Done:
        break;
    case CommitEnd::Exists:
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::DestinationExists);
    case CommitEnd::Unwritable:
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::DestinationUnwritable);
    case CommitEnd::ReplacedInPart:
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::ReplacedInPart);
    }
    for (const std::u16string& path : finals)
        RememberWritten(c, path);
    return 0;
}

std::u16string FolderOfPath(const std::u16string& path) {
    const size_t slash = path.rfind(dz::platform::kSeparator);
    if (slash == std::u16string::npos)
        return u".";
    return slash == 0 ? u"/" : path.substr(0, slash);
}

int CopyPlainFileIn(EntryContext& c, const std::u16string& sourcePath,
                    const std::u16string& destinationPath, uint8_t* block) {
    {
        const File probe = File::OpenRead(sourcePath);
        if (!probe.IsOpen())
            return Fail(c, ProgressCode::ErrorSource, TransferFailure::SourceUnreadable);
    }
    // Putting the copy in place would remove the source itself.
    if (dz::platform::IsRegularFile(destinationPath) &&
        dz::platform::SameFile(sourcePath, destinationPath))
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::SameFolder);
    if (ReplacesEarlierWrite(c, destinationPath))
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::WouldReplace);
    StagedEntry entry(c.destinationFolder);
    uint64_t length = 0, copied = 0;
    const int result = StageFile(
        c, entry, sourcePath, destinationPath, block, nullptr,
        [&](uint64_t n) {
            length = n;
            Report(c.job, c.total, c.number, ProgressCode::FileStart, ScaleBar(length, 0).range, 0);
        },
        [&](uint64_t share) {
            copied += share;
            const BarValues bar = ScaleBar(length, copied);
            Report(c.job, c.total, c.number, ProgressCode::Step, bar.range, bar.position);
            return !CancelRequested(c.job);
        });
    if (result != 0)
        return result;
    if (CommitEntry(c, entry, {destinationPath}) != 0)
        return -1;
    const BarValues bar = ScaleBar(length, copied);
    Report(c.job, c.total, c.number, ProgressCode::FileDone, bar.range, bar.position);
    return 0;
}

// The folder a split prefix names: the prefix without its trailing separator,
// except a root that is only a separator.
std::u16string FolderOfPrefix(const std::u16string& prefix) {
    if (prefix.size() > 1 && (prefix.back() == u'/' || prefix.back() == u'\\'))
        return prefix.substr(0, prefix.size() - 1);
    return prefix;
}

// Source and destination of one file of a recording, with the names as they
// are found on disk (the recorder writes upper case, a copy may not have).
struct FilePair {
    std::u16string source;
    std::u16string destination;
};

// The entry's own companion, read once: how many parts there are and how
// large the whole recording is. 0, or -1 failed and reported.
int CheckCompanion(EntryContext& c, const std::u16string& sourcePath, CompanionRead& companion) {
    // A later part's name would copy the recording under a name nobody chose.
    if (!IsEntryOwnName(sourcePath.substr(sourcePath.rfind(dz::platform::kSeparator) + 1)))
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::NotAnEntry, false);
    companion = ReadCompanionOf(sourcePath);
    if (companion.status == CompanionStatus::Short)
        return Fail(c, ProgressCode::ErrorCompanion, TransferFailure::CompanionShort, false);
    if (!companion.Ok())
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::SourceUnreadable, false);
    // A companion that counts fewer parts than are there would leave the
    // rest behind: a move would remove the entry and keep its parts.
    std::optional<RecordingFiles> files = RecordingFiles::Of(sourcePath);
    if (!files)
        return 0; // the file list says why
    const int32_t count = companion.partCount;
    if (files->PartExists(count + 1))
        return Fail(c, ProgressCode::ErrorCompanion, TransferFailure::PartsBeyondCount, false);
    // One that counts more parts than are there cannot be copied whole; said
    // at once, not after every part before the gap was copied.
    if (count > 1 && !files->PartExists(count))
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::SourceUnreadable, false);
    return 0;
}

// What a recording's copy works through: every file of the set, companion
// first, and the location text its copies carry.
struct RecordingFileList {
    std::vector<FilePair> files;
    std::u16string destinationFolder;
    std::u16string locationText;
};

// The file list of a recording of partCount parts, named from the split
// pieces and matched to the names on disk. 0, or -1 failed and reported
// (a name outside the scheme, a file that is its own copy, a name this job
// has already written).
int BuildFileList(EntryContext& c, const std::u16string& sourcePath,
                  const std::u16string& destinationPath, int32_t partCount,
                  RecordingFileList& list) {
    RecordingNameParts source, destination;
    if (SplitRecordingPath(sourcePath, source) != 0)
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::NameTooLong, false);
    if (SplitRecordingPath(destinationPath, destination) != 0)
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::NameTooLong, false);
    list.destinationFolder = FolderOfPrefix(destination.prefix);
    const std::optional<std::u16string> locationText =
        MakeLocationText(list.destinationFolder, destination);
    if (!locationText)
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::NameTooLong, false);
    list.locationText = *locationText;

    const CRecordingName names;
    const std::u16string& recordingName = source.recordingName;
    const std::u16string& stamp = source.dateStamp;
    const int32_t suffix = source.suffixNumber;
    dz::platform::FolderCaseIndex sourceIndex(FolderOfPrefix(source.prefix));
    dz::platform::FolderCaseIndex destinationIndex(list.destinationFolder);
    auto pairOf = [&](const std::u16string& sourceBuilt, const std::u16string& destinationBuilt) {
        const size_t sourceCut = source.prefix.size();
        const size_t destinationCut = destination.prefix.size();
        return FilePair{source.prefix + sourceIndex.Resolve(sourceBuilt.substr(sourceCut)),
                        destination.prefix +
                            destinationIndex.Resolve(destinationBuilt.substr(destinationCut))};
    };
    std::vector<FilePair>& files = list.files;
    files.reserve(static_cast<size_t>(partCount) + 1);
    files.push_back(
        pairOf(names.MakeCompanionPath(source.prefix, recordingName, 1, stamp, suffix),
               names.MakeCompanionPath(destination.prefix, recordingName, 1, stamp, suffix)));
    for (int32_t p = 1; p <= partCount; ++p)
        files.push_back(
            pairOf(names.MakePartPath(source.prefix, recordingName, p, stamp, suffix),
                   names.MakePartPath(destination.prefix, recordingName, p, stamp, suffix)));
    for (const FilePair& file : files) {
        // The same file reached by another path (a linked folder, a hard
        // link): putting the copy in place would remove the source. A link
        // under the file's own name is replaced itself, never followed.
        if (dz::platform::IsRegularFile(file.destination) &&
            dz::platform::SameFile(file.source, file.destination))
            return Fail(c, ProgressCode::ErrorDestination, TransferFailure::SameFolder, false);
        if (ReplacesEarlierWrite(c, file.destination))
            return Fail(c, ProgressCode::ErrorDestination, TransferFailure::WouldReplace, false);
    }
    return 0;
}

// Copies the list's files into temporaries and puts them in place together:
// 0, 1 cancelled, -1 failed and reported.
int CopyFileList(EntryContext& c, const RecordingFileList& list, uint64_t totalSize,
                 uint8_t* block) {
    const std::vector<FilePair>& files = list.files;
    Report(c.job, c.total, c.number, ProgressCode::FileStart, 100, 0);
    StagedEntry entry(list.destinationFolder);
    // The companion is small and is copied whole: no reports, no cancel.
    const HeaderPatch companionPatch{kCompanionHeadSize, kCompanionLocationOffset,
                                     &list.locationText};
    int result = StageFile(
        c, entry, files[0].source, files[0].destination, block, &companionPatch, [](uint64_t) {},
        [](uint64_t) { return true; });
    if (result != 0)
        return result;

    const HeaderPatch partPatch{kPartHeaderSize, kPartLocationOffset, &list.locationText};
    uint64_t recordingCopied = 0;
    for (size_t p = 1; p < files.size(); ++p) {
        result = StageFile(
            c, entry, files[p].source, files[p].destination, block, &partPatch, [](uint64_t) {},
            [&](uint64_t n) {
                recordingCopied += n;
                Report(c.job, c.total, c.number, ProgressCode::Step, 100,
                       RecordingPercent(recordingCopied, totalSize));
                return !CancelRequested(c.job);
            });
        if (result != 0)
            return result;
    }
    std::vector<std::u16string> finals;
    finals.reserve(files.size());
    for (const FilePair& file : files)
        finals.push_back(file.destination);
    if (CommitEntry(c, entry, finals) != 0)
        return -1;
    Report(c.job, c.total, c.number, ProgressCode::FileDone, 100, 100);
    return 0;
}

int CopyRecordingIn(EntryContext& c, const std::u16string& sourcePath,
                    const std::u16string& destinationPath, uint8_t* block) {
    CompanionRead companion;
    if (CheckCompanion(c, sourcePath, companion) != 0)
        return -1;
    RecordingFileList list;
    if (BuildFileList(c, sourcePath, destinationPath, companion.partCount, list) != 0)
        return -1;
    return CopyFileList(c, list, static_cast<uint64_t>(companion.totalSize), block);
}

struct JobEnd {
    TransferOutcome* target;
    TransferOutcome outcome;
    ~JobEnd() {
        if (target)
            *target = outcome;
    }
};

int RunJob(TransferJob* jobPointer, bool move) {
    if (!jobPointer)
        return -1;
    const TransferJob& job = *jobPointer;
    const std::u16string& destinationFolder = job.destination;
    const std::u16string& sourceFolder = job.source;
    const CSortStringArray& names = job.names;
    const int32_t total = static_cast<int32_t>(
        std::min<size_t>(names.GetSize(), std::numeric_limits<int32_t>::max() - 1));
    JobEnd end{job.outcome, {}};
    end.outcome.total = total;

    const std::unique_ptr<uint8_t[]> block = TryAllocate(kTransferBlockSize);
    if (!block) {
        Report(job, total, 0, ProgressCode::ErrorMemory);
        end.outcome.failure = TransferFailure::NoMemory;
        return 1;
    }
    // What a job killed in this folder left half-written goes first.
    dz::platform::RemoveStaleTemporaries(destinationFolder);
    // One folder by two paths (a link, another letter case on a FUSE mount
    // whose inode numbers change): every copy would replace its own source.
    // A destination where not even the probe can be made could not take a
    // copy either; going on blind could put a copy over its own source.
    const std::optional<bool> sameFolder =
        dz::platform::SameFolder(sourceFolder, destinationFolder);
    if (!sameFolder || *sameFolder) {
        Report(job, total, 0, ProgressCode::ErrorDestination);
        end.outcome.failure =
            sameFolder ? TransferFailure::SameFolder : TransferFailure::DestinationUnwritable;
        end.outcome.failedNumber = sameFolder || total == 0 ? 0 : 1;
        return -1;
    }
    std::vector<std::u16string> written;
    const bool ignoresCase = dz::platform::FolderIgnoresCase(destinationFolder);
    for (int32_t i = 0; i < total; ++i) {
        const int32_t number = i + 1;
        const std::u16string& name = names[static_cast<size_t>(i)];
        const std::u16string sourcePath = dz::platform::JoinPath(sourceFolder, name);
        const std::u16string destinationPath = dz::platform::JoinPath(destinationFolder, name);
        EntryContext context{job, total, number, destinationFolder, &written, ignoresCase, move};
        context.mayReplace =
            std::find(job.replace.begin(), job.replace.end(), name) != job.replace.end();
        int result = 0;
        bool known = true;
        if (dz::IsPlainFileName(sourcePath))
            result = CopyPlainFileIn(context, sourcePath, destinationPath, block.get());
        else if (dz::IsPartFileName(sourcePath) && move && IsEntryOwnName(name) &&
                 FinishesAnEarlierMove(sourcePath, destinationPath) &&
                 FlushEntry(destinationFolder, name)) {
            Report(job, total, number, ProgressCode::FileStart, 100, 0);
            Report(job, total, number, ProgressCode::FileDone, 100, 100);
        } else if (dz::IsPartFileName(sourcePath))
            result = CopyRecordingIn(context, sourcePath, destinationPath, block.get());
        else
            known = false;

        if (context.failure != TransferFailure::None) {
            end.outcome.failure = context.failure;
            end.outcome.failedNumber = number;
        }
        if (result == -1)
            return -1; // nothing rolled back; a move keeps this entry's source
        if (result == 1) {
            // This entry left nothing behind. A copy takes back the entries it
            // made before; a move keeps them, since their sources are gone.
            if (!move)
                RollBackCopies(destinationFolder, names, static_cast<size_t>(i));
            end.outcome.done = move ? i : 0;
            end.outcome.cancelled = context.failure == TransferFailure::None;
            return 1;
        }
        // The copy is in place and on the disk: only now may the source go.
        if (known && move && DeleteEntryFiles(sourceFolder, name) != DeleteFailure::None) {
            Report(job, total, number, ProgressCode::ErrorOther);
            end.outcome.failure = TransferFailure::SourceNotRemoved;
            end.outcome.failedNumber = number;
            end.outcome.done = i;
            return -1;
        }
        end.outcome.done = number;
        // A cancel after the last entry comes too late to stop anything: the
        // job is complete and is reported so.
        if (number < total && CancelRequested(job)) {
            end.outcome.cancelled = true;
            return 1;
        }
    }
    end.outcome.finished = true;
    Report(job, total, total + 1, ProgressCode::JobDone);
    return 0;
}

} // namespace

namespace {

// Whether two files hold the same bytes but for the location field of their
// header, which a copy rewrites. A file shorter than its header is copied as
// it is, so all of it counts.
bool SameButLocation(const std::u16string& a, const std::u16string& b, size_t headerSize,
                     size_t fieldOffset) {
    File fileA = File::OpenRead(a);
    File fileB = File::OpenRead(b);
    const int64_t size = fileA.Size();
    if (!fileA.IsOpen() || !fileB.IsOpen() || size < 0 || fileB.Size() != size)
        return false;
    constexpr size_t kChunk = size_t{1} << 20;
    const std::unique_ptr<uint8_t[]> bufferA = TryAllocate(kChunk);
    const std::unique_ptr<uint8_t[]> bufferB = TryAllocate(kChunk);
    if (!bufferA || !bufferB)
        return false;
    const bool skipField = static_cast<uint64_t>(size) >= headerSize;
    for (uint64_t at = 0;;) {
        const int64_t gotA = fileA.Read(bufferA.get(), kChunk);
        const int64_t gotB = fileB.Read(bufferB.get(), kChunk);
        if (gotA < 0 || gotA != gotB)
            return false;
        if (gotA == 0)
            return true;
        const size_t n = static_cast<size_t>(gotA);
        if (skipField && at < fieldOffset + kLocationFieldSize) {
            // This chunk holds the header: the field itself is not compared.
            const size_t fieldEnd = std::min(n, fieldOffset + kLocationFieldSize - at);
            const size_t fieldStart = std::min(fieldEnd, fieldOffset > at ? fieldOffset - at : 0);
            if (std::memcmp(bufferA.get(), bufferB.get(), fieldStart) != 0 ||
                std::memcmp(bufferA.get() + fieldEnd, bufferB.get() + fieldEnd, n - fieldEnd) != 0)
                return false;
        } else if (std::memcmp(bufferA.get(), bufferB.get(), n) != 0) {
            return false;
        }
        at += n;
    }
}

// A file of a recording copied into place: a regular file of its own under
// that very name, never a link or the source file itself by another name.
bool IsCopyOf(const std::u16string& copy, const std::u16string& source) {
    return dz::platform::IsRegularFile(copy) && !dz::platform::SameFile(copy, source);
}

} // namespace

// A move cut short after its copy was put in place - before or while it
// removed its source (the parts go from the last one, the companion last) -
// leaves the whole recording at the destination and all or some of it at the
// source. Moving it again only has to remove the source: true when the
// destination holds this very recording whole - a companion with the same
// bytes but for its location, every part there, and every part still at the
// source with the same bytes as its copy but for the location. Sizes alone
// would let a damaged copy replace its only good source.
bool FinishesAnEarlierMove(const std::u16string& sourcePath,
                           const std::u16string& destinationPath) {
    std::optional<RecordingFiles> source = RecordingFiles::Of(sourcePath);
    std::optional<RecordingFiles> destination = RecordingFiles::Of(destinationPath);
    if (!source || !destination)
        return false;
    const CompanionRead& sourceHead = source->companion();
    const CompanionRead& destinationHead = destination->companion();
    if (!sourceHead.Ok() || !destinationHead.Ok() ||
        !IsCopyOf(destinationHead.path, sourceHead.path) ||
        !SameButLocation(sourceHead.path, destinationHead.path, kCompanionHeadSize,
                         kCompanionLocationOffset))
        return false;
    for (int32_t p = 1; p <= sourceHead.partCount; ++p) {
        const std::u16string left = source->PartPath(p);
        const std::u16string copy = destination->PartPath(p);
        if (!dz::platform::PathExists(left)) {
            if (!dz::platform::IsRegularFile(copy))
                return false;
            continue;
        }
        if (!IsCopyOf(copy, left) ||
            !SameButLocation(left, copy, kPartHeaderSize, kPartLocationOffset))
            return false;
    }
    return true;
}

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

int CopyPlainFile(const std::u16string& sourcePath, const std::u16string& destinationPath,
                  uint8_t* block, const TransferJob& job, int32_t total, int32_t number) {
    EntryContext context{job, total, number, FolderOfPath(destinationPath)};
    return CopyPlainFileIn(context, sourcePath, destinationPath, block);
}

int CopyRecording(const std::u16string& sourcePath, const std::u16string& destinationPath,
                  uint8_t* block, const TransferJob& job, int32_t total, int32_t number) {
    EntryContext context{job, total, number, FolderOfPath(destinationPath)};
    return CopyRecordingIn(context, sourcePath, destinationPath, block);
}

int CopyThreadProc(TransferJob* job) {
    return RunJob(job, false);
}

int MoveThreadProc(TransferJob* job) {
    return RunJob(job, true);
}

} // namespace dz
