#pragma once
// The transfer worker: copies or moves a list of entries (plain .mp3/.mem
// files and whole recordings) from a source folder into a destination folder
// on a thread of its own, reporting every step synchronously.

#include "common/SortStringArray.h"
#include "transfer/cancel_token.h"
#include "transfer/transfer_outcome.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dz {

struct RecordingNameParts;

// Every file is copied in blocks of this size, with one report per block.
inline constexpr size_t kTransferBlockSize = 65536;

// What a report says; the values are the recorder tool's own report codes.
enum class ProgressCode : int32_t {
    None = 0,
    FileStart = 1,
    Step = 2,
    FileDone = 3,
    JobDone = 4,
    ErrorSource = 101,
    ErrorDestination = 102,
    ErrorCompanion = 103,
    ErrorOther = 104,
    ErrorMemory = 105,
};

// None starts nothing.
enum class TransferMode : int32_t { None = 0, Copy = 1, Move = 2 };

struct ProgressReport {
    int32_t total = 0;  // entries in the job
    int32_t number = 0; // 1-based current entry
    ProgressCode code = ProgressCode::None;
    int32_t reserved = 0; // always 0
    int32_t range = 0;    // maximum of the current-entry bar
    int32_t position = 0; // current-entry bar position
};

// Receives every report on the worker's thread and returns only once the
// report has been handled (the window hands it to its UI thread and waits).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void OnProgress(const ProgressReport& report) = 0;
};

// One job: its folders and entry names are its own; the sink, the outcome
// and the cancel token belong to whoever starts the job and must stay until
// the worker has ended.
struct TransferJob {
    ProgressSink* sink = nullptr;
    std::u16string destination;
    std::u16string source;
    CSortStringArray names;
    // Filled by the worker before it ends (may be null): how the job ended
    // and why, for the message after the dialog has closed.
    TransferOutcome* outcome = nullptr;
    // Read after every block and entry (may be null: the job runs to its end).
    const CancelToken* cancel = nullptr;
    // The entries of names the user agreed to replace at the destination.
    // Any other entry found there when its copy is put in place - another
    // job's, say - is left as it is and this one fails.
    std::vector<std::u16string> replace;
    // After each entry is in place and flushed, its files are read back from
    // the disk and compared with what was written; a copy that differs is
    // removed and the entry fails (a move keeps its source).
    bool verify = false;
};

// Thread procedures: 0 after a complete job, 1 after a cancel, -1 after a failure.
int CopyThreadProc(TransferJob* job);
int MoveThreadProc(TransferJob* job);

// One entry, with the job's block buffer (kTransferBlockSize bytes): 0 copied,
// 1 cancelled,
// -1 failed and reported. Every file is written under a temporary name in the
// destination folder and put in place only once the whole entry is there (a
// recording's companion last); a failure or a cancel leaves the destination
// as it was. A move also makes the files and the folder durable before it
// removes the source.
int CopyPlainFile(const std::u16string& sourcePath, const std::u16string& destinationPath,
                  uint8_t* block, const TransferJob& job, int32_t total, int32_t number);
int CopyRecording(const std::u16string& sourcePath, const std::u16string& destinationPath,
                  uint8_t* block, const TransferJob& job, int32_t total, int32_t number);

// A plain file's bar runs over its length in bytes; a length beyond 32 bits
// scales range and position by the same power of two so both still fit.
struct BarValues {
    int32_t range = 0;
    int32_t position = 0;
};
BarValues ScaleBar(uint64_t length, uint64_t copied);
// Percent of a recording copied, always 0..100: 0 while the total size is
// unknown (0), 100 once the copied bytes reach or pass it.
int32_t RecordingPercent(uint64_t copied, uint64_t totalSize);

} // namespace dz
