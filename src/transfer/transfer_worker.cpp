// The transfer worker. Every file goes through one block loop; what differs
// between a plain file, a companion and a part is only what is reported after
// each block and whether a cancel is looked at.
#include "transfer/transfer_worker.h"

#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "transfer/entry_deletion.h"

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

std::atomic<int> g_cancelTransfer{0};

namespace {

using dz::platform::File;

bool CancelRequested() {
    return g_cancelTransfer.load(std::memory_order_relaxed) != 0;
}

void Report(const TransferJob& job, int32_t total, int32_t number, int32_t code, int32_t range = 0,
            int32_t position = 0) {
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

uint16_t ReadBigEndian16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint64_t ReadBigEndian64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | p[i];
    return v;
}

enum class BlockCopy { Done, Cancelled, ReadFailed, WriteFailed, LengthChanged };

// Blocks moved by one kernel copy. A cancel is still seen after the block
// it arrives in; the few blocks already copied beyond it are rolled back
// with the rest of the entry.
constexpr uint64_t kBlocksPerKernelCopy = 16;

// One file in blocks: as many as the length has started 64 KiB, then one more
// if the bytes copied differ from the length (the file changed while it was
// copied). afterBlock runs after each block and answers false to stop.
// Still differing after that extra block is a failure, not a short copy.
template <class AfterBlock>
BlockCopy CopyBlocks(File& in, File& out, uint64_t length, uint8_t* block, uint64_t& copied,
                     AfterBlock afterBlock) {
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
    for (uint64_t b = 0; b < blocks; b += kBlocksPerKernelCopy) {
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

// A destination file that is not a complete copy is removed at once, so that
// nothing half-written is ever taken for the real file.
int FailCopy(BlockCopy how, File& out, const std::u16string& destinationPath,
             const TransferJob& job, int32_t total, int32_t number) {
    out.Close();
    dz::platform::ResetAttributesAndDelete(destinationPath);
    Report(job, total, number,
           how == BlockCopy::WriteFailed ? PROGRESS_ERR_DEST : PROGRESS_ERR_SOURCE);
    return -1;
}

enum class Patch { Written, TooShort, Failed };

// Rewrites the location field inside a header the copy has just written.
// Only a complete header is rewritten, and exactly the bytes read are written
// back: a file shorter than its header is left as copied.
Patch PatchLocation(const std::u16string& path, uint8_t* header, size_t headerSize,
                    size_t fieldOffset, const std::u16string& locationText) {
    File file = File::OpenReadWrite(path);
    if (!file.IsOpen())
        return Patch::Failed;
    const int64_t got = file.Read(header, headerSize);
    if (got < 0)
        return Patch::Failed;
    if (static_cast<size_t>(got) < headerSize)
        return Patch::TooShort;
    std::memset(header + fieldOffset, 0, kLocationFieldSize);
    CRecordingName::CopyLowBytes(header + fieldOffset, locationText);
    if (!file.Seek(0) || !file.Write(header, headerSize))
        return Patch::Failed;
    return Patch::Written;
}

// The folder a split prefix names: the prefix without its trailing separator,
// except a root that is only a separator.
std::u16string FolderOfPrefix(const std::u16string& prefix) {
    if (prefix.size() > 1 && (prefix.back() == u'/' || prefix.back() == u'\\'))
        return prefix.substr(0, prefix.size() - 1);
    return prefix;
}

std::u16string WithExtension(const std::u16string& path, std::u16string_view extension) {
    const std::u16string_view current = dz::ExtensionOf(path);
    return path.substr(0, path.size() - current.size()) + std::u16string(extension);
}

// The folder as the file system resolves it (links, "..", "."), so that its
// place below the drive root can be read off; the text itself when that fails.
std::u16string ResolvedFolder(const std::u16string& folder) {
    std::error_code ec;
    const std::filesystem::path resolved =
        std::filesystem::weakly_canonical(dz::platform::ToPath(folder), ec);
    if (ec)
        return folder;
    return dz::platform::FromPath(resolved).value_or(folder);
}

// Source and destination of one file of a recording, with the names as they
// are found on disk (the recorder writes upper case, a copy may not have).
struct FilePair {
    std::u16string source;
    std::u16string destination;
};

// Copies one file of a recording and patches its header. 0, 1 cancelled, -1
// failed and reported. afterBlock as for CopyBlocks.
template <class AfterBlock>
int CopyRecordingFile(const FilePair& file, uint8_t* block, uint8_t* header, size_t headerSize,
                      size_t fieldOffset, const std::u16string& locationText,
                      const TransferJob& job, int32_t total, int32_t number,
                      AfterBlock afterBlock) {
    const std::optional<dz::platform::Attributes> attributes =
        dz::platform::GetAttributes(file.source);
    File in = File::OpenRead(file.source);
    if (!in.IsOpen()) {
        Report(job, total, number, PROGRESS_ERR_SOURCE);
        return -1;
    }
    File out = File::CreateWrite(file.destination);
    if (!out.IsOpen()) {
        Report(job, total, number, PROGRESS_ERR_DEST);
        return -1;
    }
    const int64_t length = in.Size();
    if (length < 0)
        return FailCopy(BlockCopy::ReadFailed, out, file.destination, job, total, number);
    uint64_t copied = 0;
    const BlockCopy how =
        CopyBlocks(in, out, static_cast<uint64_t>(length), block, copied, afterBlock);
    if (how == BlockCopy::Cancelled)
        return 1;
    if (how != BlockCopy::Done)
        return FailCopy(how, out, file.destination, job, total, number);
    in.Close();
    out.Close();

    // A copy whose header still names the old place would send the recorder
    // to the source, so a patch that cannot be made fails the copy.
    if (PatchLocation(file.destination, header, headerSize, fieldOffset, locationText) ==
        Patch::Failed)
        return FailCopy(BlockCopy::WriteFailed, out, file.destination, job, total, number);
    if (attributes)
        dz::platform::SetAttributes(file.destination, *attributes);
    return 0;
}

int RunJob(TransferJob* jobPointer, bool move) {
    if (!jobPointer || !jobPointer->destination || !jobPointer->source || !jobPointer->names)
        return -1;
    const TransferJob& job = *jobPointer;
    // The texts belong to the command that started the job; the worker keeps
    // its own copies so nothing it reads can change under it.
    const std::u16string destinationFolder = *job.destination;
    const std::u16string sourceFolder = *job.source;
    const CSortStringArray names = *job.names;
    const int32_t total = static_cast<int32_t>(
        std::min<size_t>(names.GetSize(), std::numeric_limits<int32_t>::max() - 1));

    const std::unique_ptr<uint8_t[]> block = TryAllocate(kTransferBlockSize);
    if (!block) {
        Report(job, total, 0, PROGRESS_ERR_MEMORY);
        return 1;
    }
    for (int32_t i = 0; i < total; ++i) {
        const int32_t number = i + 1;
        const std::u16string& name = names[static_cast<size_t>(i)];
        const std::u16string sourcePath = dz::platform::JoinPath(sourceFolder, name);
        const std::u16string destinationPath = dz::platform::JoinPath(destinationFolder, name);
        int result = 0;
        bool known = true;
        switch (dz::KindOf(sourcePath)) {
        case dz::EntryKind::kPlainFile:
            result = CopyPlainFile(sourcePath, destinationPath, block.get(), job, total, number);
            break;
        case dz::EntryKind::kRecordingPart:
            result = CopyRecording(sourcePath, destinationPath, block.get(), job, total, number);
            break;
        case dz::EntryKind::kOther:
            known = false;
            break;
        }

        if (result == -1)
            return -1; // nothing rolled back; a move keeps this entry's source
        if (result == 1) {
            // A copy takes back every entry it made; a move only the entry it
            // was in, since the earlier ones no longer exist at the source.
            if (move)
                DeleteEntryFiles(destinationFolder, name);
            else
                RollBackCopies(destinationFolder, names, static_cast<size_t>(number));
            return 1;
        }
        if (known && move)
            DeleteEntryFiles(sourceFolder, name);
        if (CancelRequested())
            return 1;
    }
    Report(job, total, total + 1, PROGRESS_JOB_DONE);
    return 0;
}

} // namespace

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

std::optional<std::u16string> MakeLocationText(const std::u16string& destinationFolder,
                                               const RecordingNameParts& parts) {
    const std::u16string folder = ResolvedFolder(destinationFolder);
    const std::u16string root = dz::platform::DriveRootOf(folder);
    std::u16string below = folder;
    if (folder.compare(0, root.size(), root) == 0)
        below = folder.substr(root.size());
    std::u16string prefix = u"C:\\";
    for (const char16_t c : below) {
        if (c != u'/')
            prefix += c;
        else if (prefix.back() != u'\\') // no empty pieces from "//" or the root's own "/"
            prefix += u'\\';
    }
    if (prefix.back() != u'\\')
        prefix += u'\\';
    std::u16string text = CRecordingName().MakeCompanionPath(prefix, parts.recordingName, 1,
                                                             parts.dateStamp, parts.suffixNumber);
    if (text.size() + 1 > kLocationFieldSize) // its closing zero byte must fit too
        return std::nullopt;
    return text;
}

int CopyPlainFile(const std::u16string& sourcePath, const std::u16string& destinationPath,
                  uint8_t* block, const TransferJob& job, int32_t total, int32_t number) {
    File in = File::OpenRead(sourcePath);
    if (!in.IsOpen()) {
        Report(job, total, number, PROGRESS_ERR_SOURCE);
        return -1;
    }
    // Creating the destination would truncate the source itself.
    if (dz::platform::SameFile(sourcePath, destinationPath)) {
        Report(job, total, number, PROGRESS_ERR_DEST);
        return -1;
    }
    File out = File::CreateWrite(destinationPath);
    if (!out.IsOpen()) {
        Report(job, total, number, PROGRESS_ERR_DEST);
        return -1;
    }
    const int64_t size = in.Size();
    if (size < 0)
        return FailCopy(BlockCopy::ReadFailed, out, destinationPath, job, total, number);
    const uint64_t length = static_cast<uint64_t>(size);
    Report(job, total, number, PROGRESS_FILE_START, ScaleBar(length, 0).range, 0);

    uint64_t copied = 0;
    const BlockCopy how = CopyBlocks(in, out, length, block, copied, [&](uint64_t) {
        const BarValues bar = ScaleBar(length, copied);
        Report(job, total, number, PROGRESS_STEP, bar.range, bar.position);
        return !CancelRequested();
    });
    if (how == BlockCopy::Cancelled)
        return 1;
    if (how != BlockCopy::Done)
        return FailCopy(how, out, destinationPath, job, total, number);
    const BarValues bar = ScaleBar(length, copied);
    Report(job, total, number, PROGRESS_FILE_DONE, bar.range, bar.position);
    return 0;
}

int CopyRecording(const std::u16string& sourcePath, const std::u16string& destinationPath,
                  uint8_t* block, const TransferJob& job, int32_t total, int32_t number) {
    const std::unique_ptr<uint8_t[]> companionHead = TryAllocate(kCompanionHeadSize);
    const std::unique_ptr<uint8_t[]> partHeader = TryAllocate(kPartHeaderSize);
    if (!companionHead || !partHeader) {
        Report(job, 0, 0, PROGRESS_ERR_MEMORY);
        return 1;
    }

    // The entry's own companion tells how many parts there are and how large
    // the whole recording is.
    {
        File head = File::OpenRead(dz::platform::ResolveCase(WithExtension(sourcePath, u".AVF")));
        if (!head.IsOpen()) {
            Report(job, 0, 0, PROGRESS_ERR_SOURCE);
            return -1;
        }
        if (head.Read(companionHead.get(), kCompanionHeadSize) !=
            static_cast<int64_t>(kCompanionHeadSize)) {
            Report(job, 0, 0, PROGRESS_ERR_COMPANION);
            return -1;
        }
    }
    const int32_t partCount = ReadBigEndian16(companionHead.get() + kCompanionPartCountOffset);
    const uint64_t totalSize = ReadBigEndian64(companionHead.get() + kCompanionTotalSizeOffset);

    const CRecordingName names;
    RecordingNameParts source, destination;
    if (names.SplitPath(sourcePath, source) != 0) {
        Report(job, 0, 0, PROGRESS_ERR_SOURCE);
        return -1;
    }
    if (names.SplitPath(destinationPath, destination) != 0) {
        Report(job, 0, 0, PROGRESS_ERR_DEST);
        return -1;
    }
    const std::optional<std::u16string> locationText =
        MakeLocationText(FolderOfPrefix(destination.prefix), destination);
    if (!locationText) {
        Report(job, 0, 0, PROGRESS_ERR_DEST);
        return -1;
    }

    // Every file of the set, companion first, named from the split pieces and
    // matched to the names on disk.
    const std::u16string& recordingName = source.recordingName;
    const std::u16string& stamp = source.dateStamp;
    const int32_t suffix = source.suffixNumber;
    dz::platform::FolderCaseIndex sourceIndex(FolderOfPrefix(source.prefix));
    dz::platform::FolderCaseIndex destinationIndex(FolderOfPrefix(destination.prefix));
    auto pairOf = [&](const std::u16string& sourceBuilt, const std::u16string& destinationBuilt) {
        const size_t sourceCut = source.prefix.size();
        const size_t destinationCut = destination.prefix.size();
        return FilePair{source.prefix + sourceIndex.Resolve(sourceBuilt.substr(sourceCut)),
                        destination.prefix +
                            destinationIndex.Resolve(destinationBuilt.substr(destinationCut))};
    };
    std::vector<FilePair> files;
    files.reserve(static_cast<size_t>(partCount) + 1);
    files.push_back(
        pairOf(names.MakeCompanionPath(source.prefix, recordingName, 1, stamp, suffix),
               names.MakeCompanionPath(destination.prefix, recordingName, 1, stamp, suffix)));
    for (int32_t p = 1; p <= partCount; ++p)
        files.push_back(
            pairOf(names.MakePartPath(source.prefix, recordingName, p, stamp, suffix),
                   names.MakePartPath(destination.prefix, recordingName, p, stamp, suffix)));
    // The same file reached by another path (a linked folder, a hard link):
    // creating the copy would truncate the only copy there is.
    for (const FilePair& file : files) {
        if (dz::platform::SameFile(file.source, file.destination)) {
            Report(job, 0, 0, PROGRESS_ERR_DEST);
            return -1;
        }
    }

    Report(job, total, number, PROGRESS_FILE_START, 100, 0);
    // The companion is small and is copied whole: no reports, no cancel.
    int result = CopyRecordingFile(files[0], block, companionHead.get(), kCompanionHeadSize,
                                   kCompanionLocationOffset, *locationText, job, total, number,
                                   [](uint64_t) { return true; });
    if (result != 0)
        return result;

    uint64_t recordingCopied = 0;
    for (size_t p = 1; p < files.size(); ++p) {
        result = CopyRecordingFile(files[p], block, partHeader.get(), kPartHeaderSize,
                                   kPartLocationOffset, *locationText, job, total, number,
                                   [&](uint64_t n) {
                                       recordingCopied += n;
                                       Report(job, total, number, PROGRESS_STEP, 100,
                                              RecordingPercent(recordingCopied, totalSize));
                                       return !CancelRequested();
                                   });
        if (result != 0)
            return result;
    }
    Report(job, total, number, PROGRESS_FILE_DONE, 100, 100);
    return 0;
}

int CopyThreadProc(TransferJob* job) {
    return RunJob(job, false);
}

int MoveThreadProc(TransferJob* job) {
    return RunJob(job, true);
}
