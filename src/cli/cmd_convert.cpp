#include "cli/cmd_convert.h"

#include "cli/commands.h"
#include "common/messages.h"
#include "platform/console.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>
#include <thread>

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
    void OnPartStarted(int index, int count, int totalPercent) override {
        m_part.store(index + 1);
        m_count.store(count);
        m_total.store(totalPercent);
        if (m_options.onPartStarted)
            m_options.onPartStarted(index, count);
    }
    void OnFinished(ConversionOutcome outcome, std::u16string_view) override {
        m_outcome.store(outcome);
    }

    ConversionOutcome outcome() const { return m_outcome.load(); }
    void PrintProgress(std::ostream& err, int current) const {
        err << "\rpart " << m_part.load() << '/' << m_count.load() << "  total " << m_total.load()
            << " %  current " << current << " %   " << std::flush;
    }

private:
    const ConvertOptions& m_options;
    std::atomic<int> m_part{0};
    std::atomic<int> m_count{0};
    std::atomic<int> m_total{0};
    std::atomic<ConversionOutcome> m_outcome{ConversionOutcome::kCanceled};
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
            observer.PrintProgress(err, convert::CurrentPercent(job.Progress()));
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
    TerminalObserver observer(options);
    convert::ConversionSettings settings;
    settings.targetTakesWholeRecording = options.targetTakesWholeRecording;
    settings.log = options.log;
    ConversionJob job(observer, settings);

    if (options.progress) {
        if (!RunWithProgress(job, observer, options, stop, err)) {
            PrintMessage(err, msg::kCantStartConversion);
            return kExitFailure;
        }
    } else {
        job.Run(options.source, options.target, stop.get());
    }

    const ConversionOutcome outcome = observer.outcome();
    const std::u16string_view text = convert::OutcomeText(outcome);
    if (outcome == ConversionOutcome::kFinished) {
        out << Shown(text) << '\n';
        return kExitOk;
    }
    PrintMessage(err, text);
    if (outcome == ConversionOutcome::kCanceled && interrupt.interrupted())
        return kExitCancelled;
    return kExitFailure;
}

} // namespace dz::cli
