#include "convert/conversion_job.h"

#include "common/messages.h"
#include "convert/ts_to_ps.h"

#include <algorithm>

namespace dz::convert {
namespace {

// Creating the target truncates it: a target that is one of the recording's
// own files would destroy what is about to be read.
bool TargetIsASourceFile(const std::u16string& target, const std::vector<std::u16string>& parts,
                         const std::u16string& source) {
    const auto same = [&](const std::u16string& path) {
        return platform::SameFile(target, path) ||
               platform::SameFile(target, platform::ResolveCase(path));
    };
    if (std::any_of(parts.begin(), parts.end(), same))
        return true;
    const std::u16string companion = CompanionOfRecording(source);
    return !companion.empty() && same(companion);
}

} // namespace

std::u16string_view OutcomeText(ConversionOutcome outcome) {
    switch (outcome) {
    case ConversionOutcome::kFinished:
        return msg::kConvertFinished;
    case ConversionOutcome::kCanceled:
        return msg::kConvertCanceled;
    case ConversionOutcome::kCantOpenTarget:
        return msg::kCantOpenTarget;
    case ConversionOutcome::kCantOpenSource:
        return msg::kCantOpenSource;
    case ConversionOutcome::kWriteFailed:
        return msg::kCantWriteTarget;
    case ConversionOutcome::kCantReadSource:
        return msg::kCantReadSource;
    }
    return msg::kConvertCanceled;
}

int CurrentPercent(const SourceProgress& progress) {
    if (progress.size == 0)
        return 0;
    const uint64_t percent = progress.position * 100 / progress.size;
    return static_cast<int>(std::min<uint64_t>(percent, 100));
}

ConversionJob::ConversionJob(ConversionObserver& observer, ConversionSettings settings)
    : m_observer(observer), m_settings(std::move(settings)) {
    if (!m_settings.log)
        m_settings.log = stderr;
}

ConversionJob::~ConversionJob() {
    Join();
}

bool ConversionJob::Start(std::u16string source, std::u16string target,
                          std::shared_ptr<StopEvent> stop) {
    if (IsRunning())
        return false;
    Join(); // a worker that has finished but was never joined
    m_running.store(true, std::memory_order_release);
    try {
        m_thread = std::thread(
            [this, source = std::move(source), target = std::move(target), stop = std::move(stop)] {
                Run(source, target, stop.get());
                m_running.store(false, std::memory_order_release);
            });
    } catch (const std::exception&) { // no thread to be had: nothing started
        m_running.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

void ConversionJob::Join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

SourceProgress ConversionJob::Progress() const {
    SourceProgress progress;
    progress.size = m_progress.size.load(std::memory_order_relaxed);
    progress.position = m_progress.position.load(std::memory_order_relaxed);
    return progress;
}

ConversionOutcome ConversionJob::Run(const std::u16string& source, const std::u16string& target,
                                     StopEvent* stop) {
    ConversionOutcome outcome = ConversionOutcome::kCanceled;
    try {
        outcome = Convert(source, target, stop);
    } catch (const std::exception&) {
        // Out of memory for a path or the part list: the conversion failed,
        // the program goes on. Files are closed by their owners on the way out.
        outcome = ConversionOutcome::kCanceled;
    }
    m_progress.size.store(0, std::memory_order_relaxed);
    m_progress.position.store(0, std::memory_order_relaxed);
    m_observer.OnFinished(outcome, OutcomeText(outcome));
    return outcome;
}

ConversionOutcome ConversionJob::Convert(const std::u16string& source, const std::u16string& target,
                                         StopEvent* stop) {
    const bool whole = m_settings.targetTakesWholeRecording
                           ? m_settings.targetTakesWholeRecording(target)
                           : TargetTakesWholeRecording(target);
    const std::vector<std::u16string> parts = SelectSourceParts(source, whole);
    if (TargetIsASourceFile(target, parts, source))
        return ConversionOutcome::kCantOpenTarget;
    FileOutputSink output(platform::File::CreateWrite(target));
    if (!output.is_open())
        return ConversionOutcome::kCantOpenTarget;

    // Every conversion starts afresh, so its output gets its own pack header;
    // the parts of one conversion share what the first part learnt.
    ConversionState state;
    SourceFile input;
    input.set_progress(&m_progress);
    const int count = static_cast<int>(parts.size());
    ConversionOutcome outcome = ConversionOutcome::kFinished;
    for (int i = 0; i < count; ++i) {
        m_observer.OnPartStarted(i, count, 100 * (i + 1) / count);
        if (!input.open_source(parts[static_cast<size_t>(i)])) {
            outcome = ConversionOutcome::kCantOpenSource;
            break;
        }
        input.skip_recording_header();
        const int result = convert_ts_file(input, stop, output, state, m_settings.log);
        const bool readFailed = input.read_failed();
        input.close();
        if (readFailed) {
            outcome = ConversionOutcome::kCantReadSource;
            break;
        }
        if (result == kConvertWriteFailed) {
            outcome = ConversionOutcome::kWriteFailed;
            break;
        }
        if (result != kConvertDone) {
            outcome = ConversionOutcome::kCanceled;
            break;
        }
    }
    // What was written stays; a failure to write it out is the outcome that counts.
    if (!output.close() && outcome != ConversionOutcome::kCantOpenSource &&
        outcome != ConversionOutcome::kCantReadSource)
        outcome = ConversionOutcome::kWriteFailed;
    return outcome;
}

} // namespace dz::convert
