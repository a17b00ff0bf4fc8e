#include "transfer/transfer_plan.h"

#include "transfer/earlier_move.h"
#include "transfer/transfer_worker.h"

#include "common/list_text.h"
#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/recording_files.h"

#include <algorithm>

namespace dz {

std::vector<std::u16string> EntryFiles(const std::u16string& folder, const std::u16string& name) {
    std::vector<std::u16string> files;
    const std::u16string path = platform::JoinPath(folder, name);
    if (IsPlainFileName(name)) {
        if (platform::FileExists(path))
            files.push_back(path);
        return files;
    }
    if (!IsPartFileName(name))
        return files;
    std::optional<RecordingFiles> recording = RecordingFiles::Of(path);
    if (!recording)
        return files;
    if (platform::FileExists(recording->companion().path))
        files.push_back(recording->companion().path);
    const int32_t parts = recording->CountedParts(1);
    for (int32_t n = 1; n <= std::max(parts, 1); ++n)
        if (recording->PartExists(n))
            files.push_back(recording->PartPath(n));
    return files;
}

uint64_t EntryBytes(const std::u16string& folder, const std::u16string& name) {
    uint64_t bytes = 0;
    for (const std::u16string& file : EntryFiles(folder, name)) {
        if (const auto info = platform::GetFileInfo(file))
            bytes += info->size;
    }
    return bytes;
}

uint64_t TotalBytes(const std::u16string& folder, const CSortStringArray& names) {
    uint64_t bytes = 0;
    for (const std::u16string& name : names.Items())
        bytes += EntryBytes(folder, name);
    return bytes;
}

std::u16string ShownEntryName(const std::u16string& name) {
    if (IsPartFileName(name))
        return CRecordingName().GetRecordingName(name);
    return name;
}

std::vector<std::u16string> ExistingEntries(const std::u16string& destinationFolder,
                                            const CSortStringArray& names,
                                            const std::u16string& sourceFolder, bool move) {
    std::vector<std::u16string> existing;
    for (const std::u16string& name : names.Items()) {
        const std::u16string path = platform::JoinPath(destinationFolder, name);
        // A plain file is written under its own name, so only that name
        // collides; a recording's files are matched as the worker matches them.
        bool there = platform::PathExists(path);
        if (IsPartFileName(name)) {
            const std::u16string source =
                sourceFolder.empty() ? std::u16string() : platform::JoinPath(sourceFolder, name);
            // A recording is there when it is whole enough to play: its part 1
            // and its companion. The pieces a copy of this very recording cut
            // short leaves are no entry: the next copy simply replaces them.
            // Pieces of another recording are asked about like an entry.
            there = platform::PathExists(platform::ResolveCase(path)) &&
                    platform::PathExists(platform::ResolveCase(CompanionPathOf(path)));
            if (!there && !source.empty())
                there = !LeftoversAreCopiesOf(source, path);
            if (there && move && !source.empty() && FinishesAnEarlierMove(source, path))
                there = false;
        }
        if (there)
            existing.push_back(name);
    }
    return existing;
}

std::vector<std::u16string> MovedAlready(const std::u16string& sourceFolder,
                                         const std::u16string& destinationFolder,
                                         const CSortStringArray& names) {
    std::vector<std::u16string> moved;
    for (const std::u16string& name : names.Items()) {
        if (!EntryFiles(sourceFolder, name).empty())
            continue;
        const std::vector<std::u16string> there = EntryFiles(destinationFolder, name);
        if (there.empty())
            continue;
        if (IsPartFileName(name)) {
            // Whole: its companion and every part the companion counts.
            const CompanionRead read = ReadCompanionOf(platform::JoinPath(destinationFolder, name));
            if (!read.Ok() || there.size() != static_cast<size_t>(read.partCount) + 1)
                continue;
        }
        moved.push_back(name);
    }
    return moved;
}

std::u16string MovedAlreadyText(const std::u16string& name) {
    return FillMessage(msg::kMovedAlready, ShownEntryName(name));
}

std::vector<std::u16string> WithoutEntries(const std::vector<std::u16string>& names,
                                           const std::vector<std::u16string>& dropped) {
    std::vector<std::u16string> kept;
    for (const std::u16string& name : names) {
        if (std::find(dropped.begin(), dropped.end(), name) == dropped.end())
            kept.push_back(name);
    }
    return kept;
}

CSortStringArray WithoutEntries(const CSortStringArray& names,
                                const std::vector<std::u16string>& dropped) {
    CSortStringArray kept;
    for (const std::u16string& name : names.Items()) {
        if (std::find(dropped.begin(), dropped.end(), name) == dropped.end())
            kept.Add(name);
    }
    return kept;
}

std::optional<std::vector<std::u16string>>
DecideExisting(const std::vector<std::u16string>& existing, const AskReplace& ask) {
    std::vector<std::u16string> skipped;
    std::optional<ReplaceAnswer> forAll;
    for (size_t i = 0; i < existing.size(); ++i) {
        ReplaceAnswer answer;
        if (forAll) {
            answer = *forAll;
        } else {
            const ReplaceDecision decision = ask(existing[i], existing.size() - i - 1);
            answer = decision.answer;
            if (decision.forAll)
                forAll = answer;
        }
        if (answer == ReplaceAnswer::Cancel)
            return std::nullopt;
        if (answer == ReplaceAnswer::Skip)
            skipped.push_back(existing[i]);
    }
    return skipped;
}

std::u16string ProgressTitle(bool move, const std::u16string& shownName, int part, int parts) {
    std::u16string title = (move ? u"Moving " : u"Copying ") + shownName;
    if (parts > 0) {
        title += u", part " + Ascii(std::to_string(part)) + u" of " + Ascii(std::to_string(parts));
    }
    return title;
}

int PartAtPercent(const std::vector<uint64_t>& fileSizes, int percent) {
    if (fileSizes.size() < 2)
        return 0;
    uint64_t total = 0;
    for (const uint64_t size : fileSizes)
        total += size;
    const int parts = static_cast<int>(fileSizes.size()) - 1;
    if (total == 0)
        return 1;
    // The bytes copied so far, as the percentage tells them.
    const uint64_t done = total / 100 * static_cast<uint64_t>(std::clamp(percent, 0, 100)) +
                          total % 100 * static_cast<uint64_t>(std::clamp(percent, 0, 100)) / 100;
    uint64_t end = fileSizes[0];
    for (int part = 1; part <= parts; ++part) {
        end += fileSizes[static_cast<size_t>(part)];
        if (done < end)
            return part;
    }
    return parts;
}

std::vector<uint64_t> EntryFileSizes(const std::u16string& folder, const std::u16string& name) {
    std::vector<uint64_t> sizes;
    for (const std::u16string& file : EntryFiles(folder, name)) {
        const auto info = platform::GetFileInfo(file);
        sizes.push_back(info ? info->size : 0);
    }
    return sizes;
}

bool IsMediaFileName(std::u16string_view name) {
    return IsPlainFileName(name) || IsPartFileName(name) || HasExtension(name, u".avf") ||
           HasExtension(name, u".mpg");
}

std::u16string SaveRefusedText(const std::u16string& path) {
    return FillMessage(msg::kSaveRefused, path);
}

std::u16string KBText(uint64_t bytes) {
    return SizeText(static_cast<int64_t>(bytes / 1024)) + u" KB";
}

std::u16string NotEnoughSpaceText(const std::u16string& destinationFolder, uint64_t needed,
                                  uint64_t available) {
    return u"Not enough space in " + destinationFolder + u": the entries need " + KBText(needed) +
           u", only " + KBText(available) + u" are free";
}

std::optional<std::u16string> CheckFreeSpace(const std::u16string& sourceFolder,
                                             const std::u16string& destinationFolder,
                                             const CSortStringArray& names) {
    const std::optional<uint64_t> available = platform::FreeSpace(destinationFolder);
    if (!available)
        return std::nullopt; // the job itself reports a destination it cannot write
    const uint64_t needed = TotalBytes(sourceFolder, names);
    if (needed <= *available)
        return std::nullopt;
    return NotEnoughSpaceText(destinationFolder, needed, *available);
}

std::u16string ExistingEntriesText(const std::vector<std::u16string>& existing) {
    std::u16string text = u"Already in the destination:";
    for (size_t i = 0; i < existing.size(); ++i)
        text += (i == 0 ? u" " : u", ") + existing[i];
    return text + u" (nothing copied; --replace or --skip decides)";
}

std::u16string ReplaceQuestionText(const std::u16string& name,
                                   const std::u16string& destinationFolder) {
    return ShownEntryName(name) + u" already exists in " + destinationFolder +
           u".\nReplace it with the one being copied?";
}

std::u16string DeleteQuestionText(const std::vector<std::u16string>& shownNames, uint64_t bytes) {
    const std::u16string what = shownNames.size() == 1
                                    ? shownNames.front()
                                    : Ascii(std::to_string(shownNames.size())) + u" entries";
    return u"Delete " + what + u" (" + KBText(bytes) + u")?\nIt cannot be brought back.";
}

} // namespace dz
