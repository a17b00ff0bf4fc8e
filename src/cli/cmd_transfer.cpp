#include "cli/cmd_transfer.h"

#include "cli/commands.h"
#include "common/messages.h"
#include "common/text.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "transfer/transfer_checks.h"
#include "transfer/transfer_plan.h"
#include "transfer/transfer_prepare.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <system_error>
#include <thread>

namespace dz::cli {
namespace {

using Clock = std::chrono::steady_clock;

// The job Ctrl+C stops while it runs: a signal reaches the process, not a job.
std::atomic<CancelToken*> g_interruptedJob{nullptr};

// Ctrl+C does what the dialog's Cancel does. The hook only raises the job's
// token; it acts once, so a second Ctrl+C ends the program at once if the
// worker is stuck in a slow write.
void CancelOnInterrupt() {
    if (CancelToken* token = g_interruptedJob.load())
        token->Cancel();
}

// Points the hook at one job for as long as it runs.
class InterruptCancels {
public:
    explicit InterruptCancels(CancelToken& token) {
        g_interruptedJob.store(&token);
        m_hook.emplace(CancelOnInterrupt, true);
    }
    ~InterruptCancels() {
        m_hook.reset();
        g_interruptedJob.store(nullptr);
    }
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    std::optional<platform::InterruptHook> m_hook;
};

// A folder as the window would hold it: absolute, without "." or "..", and
// without a trailing separator, so that the checks and the recorder's
// location text see the same folder whatever way it was typed.
std::u16string FolderText(const std::u16string& typed) {
    if (typed.empty())
        return typed;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(platform::ToPath(typed), ec);
    if (ec)
        return typed;
    std::u16string text = platform::FromPath(absolute.lexically_normal()).value_or(typed);
    while (text.size() > 1 && text.back() == platform::kSeparator)
        text.pop_back();
    return text;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Follows the reports: remembers how the job ended and, on a terminal,
// keeps one line per entry up to date (entry n/N, name, percent of the entry
// and of the job, speed), then a line for the whole job.
class TransferProgress : public ProgressSink {
public:
    TransferProgress(const CSortStringArray& names, std::ostream* lines,
                     const std::function<void(const ProgressReport&)>& onReport)
        : m_names(names), m_lines(lines), m_onReport(onReport) {}

    void OnProgress(const ProgressReport& r) override {
        if (m_lines)
            Show(r);
        if (m_onReport)
            m_onReport(r);
    }

    // A line left open by a cancel or a failure is closed before a message.
    void CloseLine() {
        if (m_lines && m_lineOpen)
            *m_lines << '\n' << std::flush;
        m_lineOpen = false;
    }

private:
    static constexpr auto kRedraw = std::chrono::milliseconds(100);

    void Show(const ProgressReport& r) {
        const Clock::time_point now = Clock::now();
        switch (r.code) {
        case ProgressCode::FileStart:
            m_entryStart = now;
            m_entryBlocks = 0;
            Draw(r, now, false);
            break;
        case ProgressCode::Step:
            ++m_entryBlocks;
            ++m_jobBlocks;
            if (now - m_lastDraw >= kRedraw)
                Draw(r, now, false);
            break;
        case ProgressCode::FileDone:
            Draw(r, now, true);
            break;
        case ProgressCode::JobDone: {
            CloseLine();
            const double mb = static_cast<double>(m_jobBlocks) * kTransferBlockSize / 1e6;
            const double s = Seconds(now - m_jobStart);
            char text[128];
            std::snprintf(text, sizeof text, "%d entries, %.1f MB in %.2f s, %.1f MB/s\n", r.total,
                          mb, s, s > 0 ? mb / s : 0.0);
            *m_lines << text << std::flush;
            break;
        }
        default:
            break;
        }
    }

    void Draw(const ProgressReport& r, Clock::time_point now, bool finished) {
        m_lastDraw = now;
        const double entry =
            r.range > 0 ? static_cast<double>(r.position) / r.range : (finished ? 1 : 0);
        const double job = r.total > 0 ? (r.number - 1 + entry) / r.total : 1;
        const double s = Seconds(now - m_entryStart);
        const double mb = static_cast<double>(m_entryBlocks) * kTransferBlockSize / 1e6;
        const size_t index = static_cast<size_t>(r.number - 1);
        const std::string name = index < m_names.GetSize() ? Shown(m_names[index]) : std::string();
        char figures[96];
        std::snprintf(figures, sizeof figures, "  %3d%%  job %3d%%  %.1f MB/s",
                      static_cast<int>(entry * 100), static_cast<int>(job * 100),
                      s > 0 ? mb / s : 0.0);
        // "\r" and erase-to-end rewrite the entry's line in place.
        *m_lines << '\r' << "entry " << r.number << '/' << r.total << ' ' << name << figures
                 << "\x1b[K";
        if (finished)
            *m_lines << '\n';
        *m_lines << std::flush;
        m_lineOpen = !finished;
    }

    const CSortStringArray& m_names;
    std::ostream* m_lines;
    const std::function<void(const ProgressReport&)>& m_onReport;
    Clock::time_point m_jobStart = Clock::now();
    Clock::time_point m_entryStart = m_jobStart;
    Clock::time_point m_lastDraw{};
    int64_t m_entryBlocks = 0;
    int64_t m_jobBlocks = 0;
    bool m_lineOpen = false;
};

} // namespace

int RunTransfer(const TransferOptions& options, std::ostream& /*out*/, std::ostream& err) {
    const std::u16string source = FolderText(options.source);
    const std::u16string destination = FolderText(options.destination);
    if (const CheckMessage message = CheckTransfer(source, !options.names.empty(), destination)) {
        PrintMessage(err, *message);
        return kExitFailure;
    }
    CSortStringArray names;
    if (!SortedEntryNames(options.names, names, err))
        return kExitUsage;
    // Ctrl+C cancels from here on: the checks below read the entries' files.
    // One that came earlier cancels before anything is done.
    CancelToken cancel;
    const InterruptCancels interrupt(cancel);
    if (platform::InterruptReceived())
        cancel.Cancel();
    const bool move = options.mode == TransferMode::Move;
    const PreparedTransfer prepared =
        PrepareTransfer(options.mode, source, destination, std::move(names),
                        [&](const std::vector<std::u16string>& existing) {
                            switch (options.existing) {
                            case OnExisting::Refuse:
                                return ExistingAnswer{false, {}, ExistingEntriesText(existing)};
                            case OnExisting::Skip:
                                // Said, so that a script sees what it did not get.
                                for (const std::u16string& name : existing)
                                    PrintMessage(err, FillMessage(msg::kSkippedExisting, name));
                                return ExistingAnswer{true, existing, {}};
                            case OnExisting::Replace:
                                break;
                            }
                            return ExistingAnswer{true, {}, {}};
                        });
    for (const std::u16string& name : prepared.movedAlready)
        PrintMessage(err, MovedAlreadyText(name));
    switch (prepared.status) {
    case PreparedTransfer::Status::kReady:
        break;
    case PreparedTransfer::Status::kNothingLeft:
        return kExitOk;
    case PreparedTransfer::Status::kCancelled:
    case PreparedTransfer::Status::kRefused:
        PrintMessage(err, prepared.refusal);
        return kExitFailure;
    }
    names = prepared.names;
    const std::vector<std::u16string>& replace = prepared.replace;

    const bool showProgress = options.progress.value_or(platform::StderrIsTerminal());
    TransferProgress progress(names, showProgress ? &err : nullptr, options.onReport);
    TransferOutcome outcome;
    TransferJob job{&progress, destination, source, names, &outcome, &cancel, replace};
    job.verify = options.verify;
    int result = 0;
    if (cancel.Cancelled()) {
        outcome.total = static_cast<int32_t>(names.GetSize());
        outcome.cancelled = true;
        result = 1;
    } else {
        const auto run = [&] {
            result =
                options.mode == TransferMode::Move ? MoveThreadProc(&job) : CopyThreadProc(&job);
        };
        try {
            std::thread worker(run);
            worker.join();
        } catch (const std::system_error&) {
            run(); // no thread to be had: the job runs here, with the same reports
        }
    }
    progress.CloseLine();
    if (result == 0)
        return kExitOk;
    PrintMessage(err, TransferOutcomeText(outcome, names, move));
    return outcome.failure == TransferFailure::None ? kExitCancelled : kExitFailure;
}

} // namespace dz::cli
