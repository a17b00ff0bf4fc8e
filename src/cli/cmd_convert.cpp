#include "cli/cmd_convert.h"

#include "cli/commands.h"
#include "common/messages.h"
#include "common/text.h"
#include "convert/conversion_prepare.h"
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
// the worker sees it at its next block and ends "Convert Canceled". The
// hook touches only lock-free atomics, as an interrupt handler may.
class InterruptStopsConversion {
public:
    // The first Ctrl+C asks the worker to stop; a second one ends the
    // program at once, for a worker stuck on a disk that does not answer.
    explicit InterruptStopsConversion(StopEvent& stop)
        : m_stop(stop), m_hook(OnInterrupt, this, true) {
        // One pressed during start-up, before the hook was there, counts too.
        if (platform::InterruptReceived())
            OnInterrupt(this);
    }
    InterruptStopsConversion(const InterruptStopsConversion&) = delete;
    InterruptStopsConversion& operator=(const InterruptStopsConversion&) = delete;
    bool interrupted() const { return m_interrupted.load(); }

private:
    static void OnInterrupt(void* self) {
        auto* watch = static_cast<InterruptStopsConversion*>(self);
        watch->m_interrupted.store(true);
        watch->m_stop.Set();
    }

    StopEvent& m_stop;
    std::atomic<bool> m_interrupted{false};
    // Last, so that it goes first: no Ctrl+C reaches a half-gone object.
    platform::InterruptHook m_hook;
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
bool RunWithProgress(ConversionJob& job, TerminalObserver& observer,
                     const convert::PreparedConversion& prepared,
                     const std::shared_ptr<StopEvent>& stop, std::ostream& err) {
    using namespace std::chrono_literals;
    if (!job.Start(prepared.source, prepared.target, stop))
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

// The terminal asks nobody: --replace answers for an existing target, and
// without it the job leaves the file as it is and says so.
class OptionQuestions final : public convert::ConversionQuestions {
public:
    explicit OptionQuestions(bool replace) : m_replace(replace) {}
    TargetAnswer AskReplaceTarget(const std::u16string&) override {
        return m_replace ? TargetAnswer::Replace : TargetAnswer::Keep;
    }

private:
    const bool m_replace;
};

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
    // The terminal's answers never cancel: the prepared job always runs.
    OptionQuestions questions(options.replace);
    const convert::PreparedConversion prepared =
        convert::PrepareConvert(options.source, options.target, std::move(settings), questions);
    ConversionJob job(observer, prepared.settings);

    if (options.progress) {
        if (!RunWithProgress(job, observer, prepared, stop, err)) {
            PrintMessage(err, msg::kCantStartConversion);
            return kExitFailure;
        }
    } else {
        job.Run(prepared.source, prepared.target, stop.get());
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
