#include "cli/cmd_transfer.h"

#include "cli/commands.h"
#include "common/text.h"
#include "platform/platform.h"
#include "transfer/transfer_checks.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace dz::cli {
namespace {

using Clock = std::chrono::steady_clock;

// Ctrl+C does what the dialog's Cancel does. The handler only raises the
// worker's flag; it removes itself, so a second Ctrl+C ends the program at
// once if the worker is stuck in a slow write.
extern "C" void CancelOnInterrupt(int) {
    g_cancelTransfer.store(1);
}

class InterruptCancels {
public:
    InterruptCancels() {
        struct sigaction action {};
        action.sa_handler = CancelOnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        m_installed = sigaction(SIGINT, &action, &m_previous) == 0;
    }
    ~InterruptCancels() {
        if (m_installed)
            sigaction(SIGINT, &m_previous, nullptr);
    }
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    struct sigaction m_previous {};
    bool m_installed = false;
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

    int32_t failureCode = 0;
    int32_t failureNumber = 0;
    int32_t lastDone = 0; // number of the last entry that finished

    void OnProgress(const ProgressReport& r) override {
        if (r.code >= PROGRESS_ERR_SOURCE) {
            failureCode = r.code;
            failureNumber = r.number;
        }
        if (m_lines)
            Show(r);
        if (r.code == PROGRESS_FILE_DONE)
            lastDone = r.number;
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
        case PROGRESS_FILE_START:
            m_entryStart = now;
            m_entryBlocks = 0;
            Draw(r, now, false);
            break;
        case PROGRESS_STEP:
            ++m_entryBlocks;
            ++m_jobBlocks;
            if (now - m_lastDraw >= kRedraw)
                Draw(r, now, false);
            break;
        case PROGRESS_FILE_DONE:
            Draw(r, now, true);
            break;
        case PROGRESS_JOB_DONE: {
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

// The entry a failure belongs to. A recording that fails before its start
// report is reported without a number: it is the first entry after the last
// finished one that the worker does not pass over.
std::u16string FailedEntry(const CSortStringArray& names, const TransferProgress& progress) {
    if (progress.failureNumber > 0 &&
        static_cast<size_t>(progress.failureNumber) <= names.GetSize())
        return names[static_cast<size_t>(progress.failureNumber - 1)];
    for (size_t i = static_cast<size_t>(progress.lastDone); i < names.GetSize(); ++i) {
        if (KindOf(names[i]) != EntryKind::kOther)
            return names[i];
    }
    return {};
}

std::u16string FailureReason(int32_t code, const std::u16string& entry) {
    switch (code) {
    case PROGRESS_ERR_SOURCE:
        return u"Could not read the source of " + entry;
    case PROGRESS_ERR_DEST:
        return u"Could not write the destination of " + entry;
    case PROGRESS_ERR_COMPANION:
        return u"The companion file of " + entry + u" is shorter than 8,008 bytes";
    case PROGRESS_ERR_MEMORY:
        return u"Not enough memory for the transfer";
    default:
        return u"The transfer failed";
    }
}

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

    const bool showProgress = options.progress.value_or(isatty(STDERR_FILENO) == 1);
    TransferProgress progress(names, showProgress ? &err : nullptr, options.onReport);
    TransferJob job{&progress, &destination, &source, &names};
    int result = 0;
    {
        const InterruptCancels interrupt;
        g_cancelTransfer = 0;
        const auto run = [&] {
            result = options.mode == TRANSFER_MOVE ? MoveThreadProc(&job) : CopyThreadProc(&job);
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
    if (progress.failureCode != 0) {
        PrintMessage(err, FailureReason(progress.failureCode, FailedEntry(names, progress)));
        return kExitFailure;
    }
    PrintMessage(err, u"Cancelled");
    return kExitCancelled;
}

} // namespace dz::cli
