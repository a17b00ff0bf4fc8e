#pragma once
// The transfer worker: copies or moves a list of entries (plain .mp3/.mem
// files and whole recordings) from a source folder into a destination folder
// on a thread of its own, reporting every step synchronously.

#include "common/SortStringArray.h"

#include <atomic>
#include <cstdint>
#include <string>

enum ProgressCode : int32_t {
    PROGRESS_FILE_START = 1,
    PROGRESS_STEP = 2,
    PROGRESS_FILE_DONE = 3,
    PROGRESS_JOB_DONE = 4,
    PROGRESS_ERR_SOURCE = 101,
    PROGRESS_ERR_DEST = 102,
    PROGRESS_ERR_COMPANION = 103,
    PROGRESS_ERR_OTHER = 104,
    PROGRESS_ERR_MEMORY = 105,
};

enum TransferMode : int32_t { TRANSFER_COPY = 1, TRANSFER_MOVE = 2 };

struct ProgressReport {
    int32_t total = 0;    // entries in the job
    int32_t number = 0;   // 1-based current entry
    int32_t code = 0;     // ProgressCode
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

struct TransferJob {
    ProgressSink* sink = nullptr;
    const std::u16string* destination = nullptr;
    const std::u16string* source = nullptr;
    const CSortStringArray* names = nullptr;
};

// 0 before a worker starts, 1 to stop it; read after every block and entry.
extern std::atomic<int> g_cancelTransfer;

// Thread procedures: 0 after a complete job, 1 after a cancel, -1 after a failure.
int CopyThreadProc(TransferJob* job);
int MoveThreadProc(TransferJob* job);
