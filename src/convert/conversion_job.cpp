#include "convert/conversion_job.h"

#include "common/messages.h"
#include "common/text.h"
#include "convert/ts_to_ps.h"
#include "platform/folder_path.h"

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

// The bytes of every part as they are on disk now, for the total bar.
uint64_t PartBytes(const std::u16string& part) {
    const std::optional<platform::FileInfo> info =
        platform::GetFileInfo(platform::ResolveCase(part));
    return info ? info->size : 0;
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
    case ConversionOutcome::kNotATransportStream:
        return msg::kNotATransportStream;
    case ConversionOutcome::kNoStreamFound:
        return msg::kNoStreamFound;
    case ConversionOutcome::kTargetExists:
        return msg::kTargetExists;
    case ConversionOutcome::kPartsMissing:
        return msg::kPartsMissing;
    case ConversionOutcome::kCantTellTargetFileSystem:
        return msg::kCantTellTargetFileSystem;
    }
    return msg::kConvertCanceled;
}

int CurrentPercent(const SourceProgress& progress) {
    if (progress.size == 0)
        return 0;
    const uint64_t percent = progress.position * 100 / progress.size;
    return static_cast<int>(std::min<uint64_t>(percent, 100));
}

int TotalPercent(const SourceProgress& progress) {
    return CurrentPercent({progress.totalPosition, progress.totalSize});
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
    progress.totalSize = m_partsTotal.load(std::memory_order_relaxed);
    progress.totalPosition = m_partsDone.load(std::memory_order_relaxed) + progress.position;
    return progress;
}

ConversionOutcome ConversionJob::Run(const std::u16string& source, const std::u16string& target,
                                     StopEvent* stop) {
    Result result{ConversionOutcome::kCanceled, {}};
    try {
        result = Convert(source, target, stop);
    } catch (const std::exception&) {
        // Out of memory for a path or the part list: the conversion failed,
        // the program goes on. Files are closed (and the staged output
        // removed) by their owners on the way out.
        result = {ConversionOutcome::kCanceled, {}};
    }
    m_progress.size.store(0, std::memory_order_relaxed);
    m_progress.position.store(0, std::memory_order_relaxed);
    m_partsDone.store(0, std::memory_order_relaxed);
    m_partsTotal.store(0, std::memory_order_relaxed);
    if (result.text.empty())
        result.text = std::u16string(OutcomeText(result.outcome));
    m_observer.OnFinished(result.outcome, result.text);
    return result.outcome;
}

namespace {

// The output under its temporary name: removed unless it was put in place.
class StagedTarget {
public:
    ~StagedTarget() {
        if (!m_path.empty())
            platform::DeleteIfPresent(m_path);
    }
    platform::File Create(const std::u16string& folder) {
        return platform::File::CreateTemporary(folder, m_path);
    }
    // Puts it in place: over the target when replacing was asked, else only
    // where nothing is - a file that appeared under the name meanwhile
    // stays. Only a successful rename keeps it.
    platform::CommitResult Commit(const std::u16string& target, bool replace) {
        const platform::CommitResult result =
            replace ? (platform::CommitByRename(m_path, target) ? platform::CommitResult::Done
                                                                : platform::CommitResult::Failed)
                    : platform::CommitWithoutReplacing(m_path, target);
        if (result == platform::CommitResult::Done)
            m_path.clear();
        return result;
    }

private:
    std::u16string m_path;
};

} // namespace

ConversionJob::Result ConversionJob::Convert(const std::u16string& source,
                                             const std::u16string& target, StopEvent* stop) {
    const RecordingParts found = FindRecordingParts(source);
    if (found.companionUnreadable)
        return {ConversionOutcome::kCantReadSource, {}};
    if (found.partsMissing())
        return {ConversionOutcome::kPartsMissing,
                FillCounts(msg::kPartsMissing, found.companionCount, found.onDisk)};
    std::vector<std::u16string> parts = found.parts;
    // The file-system rule matters only when parts are to be joined; then
    // it must be known, not guessed.
    if (parts.size() > 1) {
        const std::optional<bool> whole = m_settings.targetTakesWholeRecording
                                              ? m_settings.targetTakesWholeRecording(target)
                                              : TargetTakesWholeRecording(target);
        if (!whole)
            return {ConversionOutcome::kCantTellTargetFileSystem, {}};
        if (!*whole) {
            m_observer.OnWarning(
                FillCounts(msg::kOnlyFirstPartConverted, static_cast<int32_t>(parts.size()), 0));
            parts = {source};
        }
    }
    if (found.countDisagrees() && parts.size() == found.parts.size())
        m_observer.OnWarning(
            FillCounts(msg::kPartCountDisagrees, found.companionCount, found.onDisk));

    // A target must name a file: not a folder, not nothing.
    if (platform::LastComponent(target).empty() || TargetIsASourceFile(target, parts, source) ||
        platform::FolderExists(target))
        return {ConversionOutcome::kCantOpenTarget, {}};
    // A link under the target's name counts as taken, dangling or not: it is
    // replaced itself when that was asked for, never written through.
    if (platform::PathExists(target) && !m_settings.replaceTarget)
        return {ConversionOutcome::kTargetExists, FillMessage(msg::kTargetExists, target)};
    // Nothing is made when the first part cannot be read.
    const int count = static_cast<int>(parts.size());
    if (count > 0 && !platform::File::OpenRead(platform::ResolveCase(parts.front())).IsOpen()) {
        m_observer.OnPartStarted(0, count, 0);
        return {ConversionOutcome::kCantOpenSource, {}};
    }
    // The staged output is made in the target's own folder, so that the
    // rename that puts it in place never crosses file systems.
    const std::u16string folder = platform::FolderOf(target);
    // Outputs of conversions that were killed are hidden leftovers; the next
    // job in the folder removes them.
    platform::RemoveStaleTemporaries(folder);
    StagedTarget staged;
    FileOutputSink output(staged.Create(folder));
    if (!output.is_open())
        return {ConversionOutcome::kCantOpenTarget, {}};

    uint64_t total = 0;
    for (const std::u16string& part : parts)
        total += PartBytes(part);
    m_partsTotal.store(total, std::memory_order_relaxed);
    m_partsDone.store(0, std::memory_order_relaxed);

    Result result = ConvertParts(parts, stop, output);
    if (result.outcome == ConversionOutcome::kFinished && output.written() == 0)
        result = {ConversionOutcome::kNoStreamFound, {}};
    // Only an output that is whole on its disk is put in place.
    if (result.outcome == ConversionOutcome::kFinished && !output.flush_to_disk())
        result = {ConversionOutcome::kWriteFailed, {}};
    if (!output.close() && (result.outcome == ConversionOutcome::kFinished ||
                            result.outcome == ConversionOutcome::kCanceled))
        result = {ConversionOutcome::kWriteFailed, {}};
    if (result.outcome != ConversionOutcome::kFinished)
        return result;
    const platform::CommitLock lock(folder);
    switch (staged.Commit(target, m_settings.replaceTarget)) {
    case platform::CommitResult::Done:
        break;
    case platform::CommitResult::Exists:
        return {ConversionOutcome::kTargetExists, FillMessage(msg::kTargetExists, target)};
    case platform::CommitResult::Failed:
        return {ConversionOutcome::kWriteFailed, {}};
    }
    // The new name is made durable too; the file itself already is.
    platform::FlushFolder(folder);
    return result;
}

ConversionJob::Result ConversionJob::ConvertParts(const std::vector<std::u16string>& parts,
                                                  StopEvent* stop, FileOutputSink& output) {
    // Every conversion starts afresh, so its output gets its own pack header;
    // the parts of one conversion share what the first part learnt.
    ConversionState state;
    SourceFile input;
    input.set_progress(&m_progress);
    const int count = static_cast<int>(parts.size());
    const uint64_t total = m_partsTotal.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        const uint64_t done = m_partsDone.load(std::memory_order_relaxed);
        const int totalPercent =
            total == 0 ? 0 : static_cast<int>(std::min<uint64_t>(done * 100 / total, 100));
        m_observer.OnPartStarted(i, count, totalPercent);
        if (!input.open_source(parts[static_cast<size_t>(i)]))
            return {ConversionOutcome::kCantOpenSource, {}};
        const uint64_t partSize = input.size();
        const std::u16string name = platform::LastComponent(parts[static_cast<size_t>(i)]);
        // What is no part file holds no transport stream either.
        if (!input.skip_recording_header() && !input.read_failed())
            return {ConversionOutcome::kNotATransportStream,
                    FillMessage(msg::kNotATransportStreamNamed, name)};
        const int result = input.read_failed()
                               ? kConvertDone
                               : convert_ts_file(input, stop, output, state, m_settings.log);
        const bool readFailed = input.read_failed();
        input.close();
        if (readFailed)
            return {ConversionOutcome::kCantReadSource, {}};
        if (result == kConvertWriteFailed)
            return {ConversionOutcome::kWriteFailed, {}};
        if (result == kConvertNotATs)
            return {ConversionOutcome::kNotATransportStream,
                    FillMessage(msg::kNotATransportStreamNamed, name)};
        if (result != kConvertDone)
            return {ConversionOutcome::kCanceled, {}};
        m_partsDone.store(done + partSize, std::memory_order_relaxed);
    }
    return {ConversionOutcome::kFinished, {}};
}

} // namespace dz::convert
