#pragma once
// What a copy, move or delete settles before any byte is written: how much
// the entries hold, whether they fit the destination, which of them already
// exist there and what the user decided about those, and the texts that ask
// and refuse. The window and the terminal tool both decide through these.
#include "common/SortStringArray.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dz {

// The files of one entry as they are found in folder: a .mp3/.mem file
// alone; a recording's companion and every part its companion counts (part 1
// alone when the companion cannot be read). Only files that exist.
std::vector<std::u16string> EntryFiles(const std::u16string& folder, const std::u16string& name);
uint64_t EntryBytes(const std::u16string& folder, const std::u16string& name);
uint64_t TotalBytes(const std::u16string& folder, const CSortStringArray& names);

// What a list row calls an entry: a recording by its recording name, a plain
// file by its file name.
std::u16string ShownEntryName(const std::u16string& name);

// The entries of names that already have a file at the destination (a
// recording counts when its part 1 and its companion are there), in list
// order. Given the source folder, a recording's pieces that are not copies
// of its own count too; for a move, a recording whose move was cut short in
// its source removal does not: moving it again finishes it.
std::vector<std::u16string> ExistingEntries(const std::u16string& destinationFolder,
                                            const CSortStringArray& names,
                                            const std::u16string& sourceFolder = {},
                                            bool move = false);
// The entries of a move that are no longer in the source folder at all and
// are whole in the destination: a move cut short after it removed the
// source's last file. Nothing is left to do for them.
std::vector<std::u16string> MovedAlready(const std::u16string& sourceFolder,
                                         const std::u16string& destinationFolder,
                                         const CSortStringArray& names);
std::u16string MovedAlreadyText(const std::u16string& name);
// names without the given ones, order kept.
CSortStringArray WithoutEntries(const CSortStringArray& names,
                                const std::vector<std::u16string>& dropped);
std::vector<std::u16string> WithoutEntries(const std::vector<std::u16string>& names,
                                           const std::vector<std::u16string>& dropped);

// The user's answer for one entry that exists; forAll applies it to every
// remaining one without asking again.
enum class ReplaceAnswer { Replace, Skip, Cancel };
struct ReplaceDecision {
    ReplaceAnswer answer = ReplaceAnswer::Cancel;
    bool forAll = false;
};
// Asked for each existing entry in turn with the entry and how many are left
// after it. Gives the entries to skip, or nothing when the user cancelled.
using AskReplace = std::function<ReplaceDecision(const std::u16string& name, size_t remaining)>;
std::optional<std::vector<std::u16string>>
DecideExisting(const std::vector<std::u16string>& existing, const AskReplace& ask);

// The copy is refused when the entries do not fit: nothing when they do (or
// the free space cannot be told), else the message naming both sizes.
std::optional<std::u16string> CheckFreeSpace(const std::u16string& sourceFolder,
                                             const std::u16string& destinationFolder,
                                             const CSortStringArray& names);
std::u16string NotEnoughSpaceText(const std::u16string& destinationFolder, uint64_t needed,
                                  uint64_t available);
// The terminal tool's refusal when entries exist and neither --replace nor
// --skip was given.
std::u16string ExistingEntriesText(const std::vector<std::u16string>& existing);
// The question for one existing entry.
std::u16string ReplaceQuestionText(const std::u16string& name,
                                   const std::u16string& destinationFolder);
// The Delete confirmation: the entry's shown name, or the count, and the
// total size in KB.
std::u16string DeleteQuestionText(const std::vector<std::u16string>& shownNames, uint64_t bytes);
// The progress dialog's title for an entry: "Copying FILM, part 2 of 3",
// "Moving song.mp3" (parts 0: not a recording).
std::u16string ProgressTitle(bool move, const std::u16string& shownName, int part, int parts);
// The part of a recording that a percentage of the whole falls in, from the
// sizes of its files in the order they are copied (companion first, then
// parts 1, 2, ...): 1-based; 1 while the companion is copied; 0 without parts.
int PartAtPercent(const std::vector<uint64_t>& fileSizes, int percent);
// The sizes of an entry's files, in EntryFiles' order.
std::vector<uint64_t> EntryFileSizes(const std::u16string& folder, const std::u16string& name);

// Files the program's own empty document must never be saved over: a
// recording's parts and companion, .mp3/.mem files, converted .mpg films.
bool IsMediaFileName(std::u16string_view name);
std::u16string SaveRefusedText(const std::u16string& path);

// A size as the list shows sizes: KB with thousands commas.
std::u16string KBText(uint64_t bytes);

} // namespace dz
