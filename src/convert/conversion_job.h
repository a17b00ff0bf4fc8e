#pragma once
// The conversion worker: turns a recording (all its parts, or the one named
// part file) into one program-stream file, on a thread of its own. It never
// shows anything: whoever starts it (the "ts2pes" dialog, the terminal tool)
// implements ConversionObserver, which the worker calls synchronously from
// its own thread, and polls Progress() from its timer.

#include "convert/conversion_files.h"
#include "convert/stop_event.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace dz::convert {

enum class ConversionOutcome {
    kFinished,                 // every part converted, the target in place
    kCanceled,                 // stopped: no target was made, one that was there is kept
    kCantOpenTarget,           // the target could not be created, or it is one of the source parts
    kCantOpenSource,           // a source part could not be opened
    kWriteFailed,              // writing the output failed (disk full)
    kCantReadSource,           // reading a source part failed part-way
    kNotATransportStream,      // a source part holds no transport stream
    kNoStreamFound,            // every part read, nothing found to write
    kTargetExists,             // the target exists and replacing it was not asked for
    kPartsMissing,             // the companion counts parts that are not there
    kCantTellTargetFileSystem, // a recording of several parts, and no way to tell
                               // whether the target's disk takes it
};
// Every outcome but kFinished leaves no file under the target's name that
// was not there before: the output is written under a temporary name beside
// it and renamed into place only once it is complete and on the disk.

// The fixed text shown for an outcome (src/common/messages.h). The job's own
// report may say more (which file, which counts).
std::u16string_view OutcomeText(ConversionOutcome outcome);

class ConversionObserver {
public:
    virtual ~ConversionObserver() = default;
    // Part `index` (0-based) of `count` begins; totalPercent is the share of
    // all parts' bytes read before it. The current part's percent starts
    // again from 0. Index 0 is the moment to start a progress timer.
    virtual void OnPartStarted(int index, int count, int totalPercent) = 0;
    // Something the user must know of a conversion that goes on: the
    // companion miscounts the parts, or only part 1 fits the target's disk.
    // Comes before OnFinished.
    virtual void OnWarning(std::u16string_view /*text*/) {}
    // The last call of every run, also after a failure before the first part.
    virtual void OnFinished(ConversionOutcome outcome, std::u16string_view text) = 0;
};

// Where the worker is: in the part file it reads, and over all parts.
struct SourceProgress {
    uint64_t position = 0;      // bytes from the start of the open part file
    uint64_t size = 0;          // 0 when no part file is open
    uint64_t totalPosition = 0; // bytes of earlier parts + position
    uint64_t totalSize = 0;     // bytes of every part; 0 before the first part
};
// position * 100 / size in unsigned 64-bit arithmetic, at most 100; 0 for size 0.
int CurrentPercent(const SourceProgress& progress);
// The same over all parts' bytes.
int TotalPercent(const SourceProgress& progress);

struct ConversionSettings {
    // Whether the target's volume takes a whole joined recording (it may pass
    // 4 GiB); nothing when that cannot be told. Empty: the platform's
    // file-system rule. Tests inject a FAT-like or an unknown answer.
    std::function<std::optional<bool>(const std::u16string& target)> targetTakesWholeRecording;
    // Diagnostic lines of the converter (PIDs, stream headers, "Not a TS").
    std::FILE* log = stderr;
    // Whether a file (or a link) already under the target's name may be
    // replaced once the new output is complete; without it the job refuses.
    bool replaceTarget = false;
};

class ConversionJob {
public:
    explicit ConversionJob(ConversionObserver& observer, ConversionSettings settings = {});
    // Waits for a running worker; set its stop event first to make that quick.
    ~ConversionJob();
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;

    // Starts the worker thread. False (and nothing started) while a worker
    // still runs, so a second Start cannot start a second conversion. A null
    // stop event counts as set: the conversion ends as cancelled at its first block.
    bool Start(std::u16string source, std::u16string target, std::shared_ptr<StopEvent> stop);
    // True from Start until the worker's procedure has returned (after OnFinished).
    bool IsRunning() const { return m_running.load(std::memory_order_acquire); }
    void Join();

    // Safe from any thread, at any time.
    SourceProgress Progress() const;

    // The worker's procedure on the calling thread, for callers that bring
    // their own thread (and tests). Calls the observer like the worker does.
    ConversionOutcome Run(const std::u16string& source, const std::u16string& target,
                          StopEvent* stop);

private:
    struct Result {
        ConversionOutcome outcome;
        std::u16string text; // empty: the outcome's fixed text
    };
    // Run without its report.
    Result Convert(const std::u16string& source, const std::u16string& target, StopEvent* stop);
    // Converts the parts into the open output; the outcome of the parts alone.
    Result ConvertParts(const std::vector<std::u16string>& parts, StopEvent* stop,
                        FileOutputSink& output);

    ConversionObserver& m_observer;
    ConversionSettings m_settings;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    ProgressCounters m_progress; // kept current by the worker's reader
    // Bytes of the parts finished and of all parts, for the total bar.
    std::atomic<uint64_t> m_partsDone{0};
    std::atomic<uint64_t> m_partsTotal{0};
};

} // namespace dz::convert
