#include "cli/cmd_convert.h"

#include "cli/commands.h"
#include "common/messages.h"
#include "common/text.h"
#include "platform/console.h"
#include "platform/platform.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>
#include <thread>
#include <vector>

namespace dz::cli {
namespace {

using convert::ConversionJob;
using convert::ConversionObserver;
using convert::ConversionOutcome;
using convert::StopEvent;

// Ctrl+C while converting sets the stop event, as the dialog's Stop does;
// the worker sees it at its next block and ends "Convert Canceled". Both
// values are lock-free atomics, which an interrupt handler may touch.
std::atomic<StopEvent*> g_interruptStop{nullptr};
std::atomic<bool> g_interrupted{false};

void OnInterrupt() {
    g_interrupted.store(true);
    if (StopEvent* stop = g_interruptStop.load())
        stop->Set();
}

class InterruptStopsConversion {
public:
    explicit InterruptStopsConversion(StopEvent& stop) {
        g_interrupted.store(false);
        g_interruptStop.store(&stop);
        // The first Ctrl+C asks the worker to stop; a second one ends the
        // program at once, for a worker stuck on a disk that does not answer.
        m_hook.emplace(OnInterrupt, true);
        // One pressed during start-up, before the hook was there, counts too.
        if (platform::InterruptReceived())
            OnInterrupt();
    }
    ~InterruptStopsConversion() {
        m_hook.reset();
        g_interruptStop.store(nullptr);
    }
    InterruptStopsConversion(const InterruptStopsConversion&) = delete;
    InterruptStopsConversion& operator=(const InterruptStopsConversion&) = delete;
    bool interrupted() const { return g_interrupted.load(); }

private:
    std::optional<platform::InterruptHook> m_hook;
};

class TerminalObserver final : public ConversionObserver {
public:
    explicit TerminalObserver(const ConvertOptions& options) : m_options(options) {}
    void OnPartStarted(int index, int count, int) override {
        m_part.store(index + 1);
        m_count.store(count);
        if (m_options.onPartStarted)
            m_options.onPartStarted(index, count);
    }
    // Kept until the job has ended: the progress line owns err meanwhile.
    // Read only after the worker was joined.
    void OnWarning(std::u16string_view text) override { m_warnings.emplace_back(text); }
    void OnFinished(ConversionOutcome outcome, std::u16string_view text) override {
        m_text = std::u16string(text);
        m_outcome.store(outcome);
    }

    ConversionOutcome outcome() const { return m_outcome.load(); }
    const std::u16string& text() const { return m_text; }
    const std::vector<std::u16string>& warnings() const { return m_warnings; }
    void PrintProgress(std::ostream& err, const convert::SourceProgress& progress) const {
        err << "\rpart " << m_part.load() << '/' << m_count.load() << "  total "
            << convert::TotalPercent(progress) << " %  current "
            << convert::CurrentPercent(progress) << " %   " << std::flush;
    }

private:
    const ConvertOptions& m_options;
    std::atomic<int> m_part{0};
    std::atomic<int> m_count{0};
    std::atomic<ConversionOutcome> m_outcome{ConversionOutcome::kCanceled};
    std::u16string m_text;
    std::vector<std::u16string> m_warnings;
};

// Runs the job on its worker thread and redraws one progress line until it
// ends. False when the worker could not be started.
bool RunWithProgress(ConversionJob& job, TerminalObserver& observer, const ConvertOptions& options,
                     const std::shared_ptr<StopEvent>& stop, std::ostream& err) {
    using namespace std::chrono_literals;
    if (!job.Start(options.source, options.target, stop))
        return false;
    auto nextDraw = std::chrono::steady_clock::now();
    bool drawn = false;
    while (job.IsRunning()) {
        if (std::chrono::steady_clock::now() >= nextDraw) {
            observer.PrintProgress(err, job.Progress());
            drawn = true;
            nextDraw += 100ms;
        }
        std::this_thread::sleep_for(10ms);
    }
    job.Join();
    if (drawn)
        err << "\r\033[K" << std::flush;
    return true;
}

} // namespace

int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    auto stop = std::make_shared<StopEvent>();
    InterruptStopsConversion interrupt(*stop);
    // What TARGET holds now is what a cancel leaves.
    const bool targetThere = platform::PathExists(options.target);
    const auto cancelled = [&] {
        PrintMessage(
            err, FillMessage(targetThere ? msg::kConvertCanceledKept : msg::kConvertCanceledNotMade,
                             options.target));
        return kExitCancelled;
    };
    // Ctrl+C before the job began: nothing to start.
    if (interrupt.interrupted())
        return cancelled();

    TerminalObserver observer(options);
    convert::ConversionSettings settings;
    settings.targetTakesWholeRecording = options.targetTakesWholeRecording;
    settings.log = options.log;
    settings.replaceTarget = options.replace;
    ConversionJob job(observer, settings);

    if (options.progress) {
        if (!RunWithProgress(job, observer, options, stop, err)) {
            PrintMessage(err, msg::kCantStartConversion);
            return kExitFailure;
        }
    } else {
        job.Run(options.source, options.target, stop.get());
    }

    for (const std::u16string& warning : observer.warnings())
        PrintMessage(err, warning);
    // A Ctrl+C that came once the output was in place changes nothing.
    const ConversionOutcome outcome = observer.outcome();
    if (outcome == ConversionOutcome::kFinished) {
        out << Shown(observer.text()) << '\n';
        return kExitOk;
    }
    if (outcome == ConversionOutcome::kCanceled && interrupt.interrupted())
        return cancelled();
    PrintMessage(err, observer.text());
    return kExitFailure;
}

} // namespace dz::cli
