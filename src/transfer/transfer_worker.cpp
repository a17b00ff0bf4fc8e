// The transfer worker. Every file goes through one block loop; what differs
// between a plain file, a companion and a part is only what is reported after
// each block and whether a cancel is looked at.
#include "transfer/transfer_worker.h"

#include "common/text.h"
#include "platform/folder_path.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/location_text.h"
#include "recording/recording_files.h"
#include "transfer/block_copy.h"
#include "transfer/earlier_move.h"
#include "transfer/entry_deletion.h"
#include "transfer/progress_bar.h"
#include "transfer/staged_entry.h"
#include "transfer/transfer_plan.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace dz {

namespace {

using dz::platform::File;

bool CancelRequested(const TransferJob& job) {
    return job.cancel && job.cancel->Cancelled();
}

std::unique_ptr<uint8_t[]> TryAllocate(size_t n) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n]);
}

// What one entry's copy needs from its job, and what it tells the job back.
struct EntryContext {
    const TransferJob& job;
    EntryReports reports;
    std::u16string destinationFolder;
    // Names this job has put in place, as the destination folder compares them.
    std::vector<std::u16string>* written = nullptr;
    bool destinationIgnoresCase = false;
    // A move makes every file and its folder durable before it removes the
    // source; a copy leaves the writing-back to the system, as cp does.
    bool durable = false;
    // The user agreed to replace an entry of this name at the destination.
    bool mayReplace = false;
    // The entry's source files as they were copied, once it is in place.
    std::vector<StagedEntry::Source> sources = {};
    TransferFailure failure = TransferFailure::None;
    bool move = false;
    // Each file's final path and the checksum of what was written to it,
    // when the job reads its copies back.
    std::vector<std::pair<std::u16string, uint64_t>> checksums = {};
};

int Fail(EntryContext& c, ProgressCode code, TransferFailure why, bool numbered = true) {
    c.reports.Error(code, numbered);
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
    const std::u16string name = dz::platform::LastComponent(path);
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
    File out = entry.Create(sourcePath, in.Stamp(), destinationPath);
    if (!out.IsOpen())
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::DestinationUnwritable);
    const int64_t size = in.Size();
    if (size < 0)
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::SourceUnreadable);
    const uint64_t length = static_cast<uint64_t>(size);
    onStart(length);
    uint64_t copied = 0;
    StreamChecksum sum;
    const BlockCopy how = CopyBlocks(in, out, length, block, copied, patch, afterBlock,
                                     c.job.verify ? &sum : nullptr);
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
    if (c.job.verify)
        c.checksums.emplace_back(destinationPath, sum.Value());
    return 0;
}

// Every file of an entry just put in place, read back from the disk: 0, or
// -1 failed and reported after the copy was removed (parts from the last,
// the companion after them, as a deletion goes).
int VerifyEntry(EntryContext& c, const std::vector<std::u16string>& finals, uint8_t* block) {
    if (!c.job.verify)
        return 0;
    const bool same = std::all_of(c.checksums.begin(), c.checksums.end(), [&](const auto& file) {
        return ReadsBackAs(file.first, file.second, block);
    });
    c.checksums.clear();
    if (same)
        return 0;
    for (size_t i = finals.size(); i-- > 1;)
        dz::platform::DeleteIfPresent(finals[i]);
    dz::platform::DeleteIfPresent(finals[0]);
    dz::platform::FlushFolder(c.destinationFolder);
    return Fail(c, ProgressCode::ErrorDestination, TransferFailure::VerifyFailed);
}

int CommitEntry(EntryContext& c, StagedEntry& entry, const std::vector<std::u16string>& finals) {
    switch (entry.Commit(c.durable, c.mayReplace)) {
    case CommitEnd::Done:
        c.sources = entry.Sources();
        break;
    case CommitEnd::SourceChanged:
        return Fail(c, ProgressCode::ErrorSource, TransferFailure::SourceChanged);
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
    const int result = StageFile(
        c, entry, sourcePath, destinationPath, block, nullptr,
        [&](uint64_t length) { c.reports.PlainStart(length); },
        [&](uint64_t share) {
            c.reports.PlainStep(share);
            return !CancelRequested(c.job);
        });
    if (result != 0)
        return result;
    if (CommitEntry(c, entry, {destinationPath}) != 0 ||
        VerifyEntry(c, {destinationPath}, block) != 0)
        return -1;
    c.reports.PlainDone();
    return 0;
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
    if (!IsEntryOwnName(dz::platform::LastComponent(sourcePath)))
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

    // Where the location text goes in the header of a companion or a part.
    HeaderPatch CompanionPatch() const {
        return {kCompanionHeadSize, kCompanionLocationOffset, &locationText};
    }
    HeaderPatch PartPatch() const { return {kPartHeaderSize, kPartLocationOffset, &locationText}; }
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
    list.destinationFolder = dz::platform::WithoutSeparator(destination.prefix);
    const std::optional<std::u16string> locationText =
        MakeLocationText(list.destinationFolder, destination);
    if (!locationText)
        return Fail(c, ProgressCode::ErrorDestination, TransferFailure::NameTooLong, false);
    list.locationText = *locationText;

    const CRecordingName names;
    const std::u16string& recordingName = source.recordingName;
    const std::u16string& stamp = source.dateStamp;
    const int32_t suffix = source.suffixNumber;
    dz::platform::FolderCaseIndex sourceIndex(dz::platform::WithoutSeparator(source.prefix));
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
    c.reports.RecordingStart(totalSize);
    StagedEntry entry(list.destinationFolder);
    // The companion is small and is copied whole: no reports, no cancel.
    const HeaderPatch companionPatch = list.CompanionPatch();
    int result = StageFile(
        c, entry, files[0].source, files[0].destination, block, &companionPatch, [](uint64_t) {},
        [](uint64_t) { return true; });
    if (result != 0)
        return result;

    const HeaderPatch partPatch = list.PartPatch();
    for (size_t p = 1; p < files.size(); ++p) {
        result = StageFile(
            c, entry, files[p].source, files[p].destination, block, &partPatch, [](uint64_t) {},
            [&](uint64_t share) {
                c.reports.RecordingStep(share);
                return !CancelRequested(c.job);
            });
        if (result != 0)
            return result;
    }
    std::vector<std::u16string> finals;
    finals.reserve(files.size());
    for (const FilePair& file : files)
        finals.push_back(file.destination);
    if (CommitEntry(c, entry, finals) != 0 || VerifyEntry(c, finals, block) != 0)
        return -1;
    c.reports.RecordingDone();
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

// The folders checked before the first entry: 0, or -1 failed and reported.
int CheckFolders(const TransferJob& job, int32_t total, TransferOutcome& outcome) {
    // What a job killed in this folder left half-written goes first.
    dz::platform::RemoveStaleTemporaries(job.destination);
    // One folder by two paths (a link, another letter case on a FUSE mount
    // whose inode numbers change): every copy would replace its own source.
    // A destination where not even the probe can be made could not take a
    // copy either; going on blind could put a copy over its own source.
    const std::optional<bool> sameFolder = dz::platform::SameFolder(job.source, job.destination);
    if (sameFolder && !*sameFolder)
        return 0;
    ReportJob(job, total, 0, ProgressCode::ErrorDestination);
    outcome.failure =
        sameFolder ? TransferFailure::SameFolder : TransferFailure::DestinationUnwritable;
    outcome.failedNumber = sameFolder || total == 0 ? 0 : 1;
    return -1;
}

// A name of a kind this system does not move: passed over.
constexpr int kPassedOver = 2;

// One entry copied into place, or found there whole by an earlier move cut
// short: 0, 1 cancelled, -1 failed and reported, or kPassedOver.
int TransferEntry(EntryContext& c, const std::u16string& name, uint8_t* block) {
    const std::u16string sourcePath = dz::platform::JoinPath(c.job.source, name);
    const std::u16string destinationPath = dz::platform::JoinPath(c.destinationFolder, name);
    if (dz::IsPlainFileName(sourcePath))
        return CopyPlainFileIn(c, sourcePath, destinationPath, block);
    if (!dz::IsPartFileName(sourcePath))
        return kPassedOver;
    if (c.move && ResumesEarlierMove(c.job.source, c.destinationFolder, name)) {
        c.reports.RecordingStart(0);
        c.reports.RecordingDone();
        return 0;
    }
    return CopyRecordingIn(c, sourcePath, destinationPath, block);
}

// One job's run over its entries, and the outcome it leaves when it ends.
class JobRun {
public:
    JobRun(const TransferJob& job, bool move)
        : m_job(job), m_move(move),
          m_total(static_cast<int32_t>(
              std::min<size_t>(job.names.GetSize(), std::numeric_limits<int32_t>::max() - 1))),
          m_end{job.outcome, {}} {
        outcome().total = m_total;
    }

    // 0 after a complete job, 1 after a cancel, -1 after a failure.
    int Run() {
        const std::unique_ptr<uint8_t[]> block = TryAllocate(kTransferBlockSize);
        if (!block) {
            ReportJob(m_job, m_total, 0, ProgressCode::ErrorMemory);
            outcome().failure = TransferFailure::NoMemory;
            return 1;
        }
        if (CheckFolders(m_job, m_total, outcome()) != 0)
            return -1;
        m_ignoresCase = dz::platform::FolderIgnoresCase(m_job.destination);
        for (int32_t i = 0; i < m_total; ++i)
            if (const std::optional<int> end = RunEntry(i, block.get()))
                return *end;
        outcome().finished = true;
        ReportJob(m_job, m_total, m_total + 1, ProgressCode::JobDone);
        return 0;
    }

private:
    TransferOutcome& outcome() { return m_end.outcome; }

    // One entry: nothing while the job goes on, else how it ends.
    std::optional<int> RunEntry(int32_t i, uint8_t* block) {
        const int32_t number = i + 1;
        const std::u16string& name = m_job.names[static_cast<size_t>(i)];
        // A copy that is read back is flushed first: the disk, not the
        // system's cache, is what is compared.
        EntryContext context{m_job,         {m_job, m_total, number}, m_job.destination, &m_written,
                             m_ignoresCase, m_move || m_job.verify};
        context.move = m_move;
        context.mayReplace =
            std::find(m_job.replace.begin(), m_job.replace.end(), name) != m_job.replace.end();
        const int result = TransferEntry(context, name, block);
        if (context.failure != TransferFailure::None) {
            outcome().failure = context.failure;
            outcome().failedNumber = number;
        }
        if (result == -1)
            return -1; // nothing rolled back; a move keeps this entry's source
        if (result == 1)
            return Cancelled(i, context);
        if (m_move && result != kPassedOver) {
            const TransferFailure why = RemoveSource(name, context);
            if (why != TransferFailure::None)
                return SourceFailed(i, why);
        }
        outcome().done = number;
        // A cancel after the last entry comes too late to stop anything: the
        // job is complete and is reported so.
        if (number < m_total && CancelRequested(m_job)) {
            outcome().cancelled = true;
            return 1;
        }
        return std::nullopt;
    }

    // Entry i was cancelled and left nothing behind. A copy takes back the
    // entries it made before; a move keeps them, since their sources are gone.
    int Cancelled(int32_t i, const EntryContext& context) {
        if (!m_move)
            RollBackCopies(m_job.destination, m_job.names, static_cast<size_t>(i));
        outcome().done = m_move ? i : 0;
        outcome().cancelled = context.failure == TransferFailure::None;
        return 1;
    }

    // The copy is in place and on the disk: only now may the source go - as
    // long as it is still what was copied.
    TransferFailure RemoveSource(const std::u16string& name, const EntryContext& context) const {
        if (!SourcesUnchanged(context.sources))
            return TransferFailure::SourceChanged;
        if (DeleteEntryFiles(m_job.source, name) != DeleteFailure::None)
            return TransferFailure::SourceNotRemoved;
        return TransferFailure::None;
    }

    int SourceFailed(int32_t i, TransferFailure why) {
        ReportJob(m_job, m_total, i + 1, ProgressCode::ErrorOther);
        outcome().failure = why;
        outcome().failedNumber = i + 1;
        outcome().done = i;
        return -1;
    }

    const TransferJob& m_job;
    const bool m_move;
    const int32_t m_total;
    JobEnd m_end;
    bool m_ignoresCase = false;
    std::vector<std::u16string> m_written;
};

} // namespace

int CopyPlainFile(const std::u16string& sourcePath, const std::u16string& destinationPath,
                  uint8_t* block, const TransferJob& job, int32_t total, int32_t number) {
    EntryContext context{job, {job, total, number}, dz::platform::FolderOf(destinationPath)};
    return CopyPlainFileIn(context, sourcePath, destinationPath, block);
}

int CopyRecording(const std::u16string& sourcePath, const std::u16string& destinationPath,
                  uint8_t* block, const TransferJob& job, int32_t total, int32_t number) {
    EntryContext context{job, {job, total, number}, dz::platform::FolderOf(destinationPath)};
    return CopyRecordingIn(context, sourcePath, destinationPath, block);
}

int CopyThreadProc(TransferJob* job) {
    return job ? JobRun(*job, false).Run() : -1;
}

int MoveThreadProc(TransferJob* job) {
    return job ? JobRun(*job, true).Run() : -1;
}

} // namespace dz
