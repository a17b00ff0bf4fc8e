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
#include <string>
#include <string_view>
#include <thread>

namespace dz::convert {

enum class ConversionOutcome {
    kFinished,       // every part converted
    kCanceled,       // stopped, or a part was not a transport stream; output kept
    kCantOpenTarget, // the target could not be created, or it is one of the source parts
    kCantOpenSource, // a source part could not be opened; what was written stays
    kWriteFailed,    // writing the output failed (disk full): the output is incomplete
    kCantReadSource, // reading a source part failed part-way: the output is incomplete
};

// The fixed text shown for an outcome (src/common/messages.h).
std::u16string_view OutcomeText(ConversionOutcome outcome);

class ConversionObserver {
public:
    virtual ~ConversionObserver() = default;
    // Part `index` (0-based) of `count` begins; totalPercent = 100 * (index + 1) / count.
    // The current part's percent starts again from 0. Index 0 is the moment to
    // start a progress timer.
    virtual void OnPartStarted(int index, int count, int totalPercent) = 0;
    // The last call of every run, also after a failure before the first part.
    virtual void OnFinished(ConversionOutcome outcome, std::u16string_view text) = 0;
};

// Where the worker is in the part file it reads.
struct SourceProgress {
    uint64_t position = 0; // bytes from the start of the open part file
    uint64_t size = 0;     // 0 when no part file is open
};
// position * 100 / size in unsigned 64-bit arithmetic, at most 100; 0 for size 0.
int CurrentPercent(const SourceProgress& progress);

struct ConversionSettings {
    // Whether the target's volume takes a whole joined recording (it may pass
    // 4 GiB). Empty: the platform's file-system rule. Tests inject a FAT-like answer.
    std::function<bool(const std::u16string& target)> targetTakesWholeRecording;
    // Diagnostic lines of the converter (PIDs, stream headers, "Not a TS").
    std::FILE* log = stderr;
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
    // Run without its report: the outcome only.
    ConversionOutcome Convert(const std::u16string& source, const std::u16string& target,
                              StopEvent* stop);

    ConversionObserver& m_observer;
    ConversionSettings m_settings;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    ProgressCounters m_progress; // kept current by the worker's reader
};

} // namespace dz::convert
