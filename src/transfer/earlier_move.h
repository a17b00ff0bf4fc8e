#pragma once
// A move cut short after its copy was in place: what tells that moving it
// again only has to remove its source, and the flush that makes the copy
// found in place safe to rely on.
#include <string>

namespace dz {

// True when moving this recording again only has to remove its source: a
// move cut short after its copy was in place left the very recording whole at
// the destination.
bool FinishesAnEarlierMove(const std::u16string& sourcePath, const std::u16string& destinationPath);

// Whether copy is a file of its own (no link, not the source by another
// name) with the bytes of source but for the location field a copy rewrites
// (a companion's or a part's).
bool HoldsCopyOf(const std::u16string& copy, const std::u16string& source, bool companion);

// Whether whatever files of the recording lie at the destination - the
// pieces a copy cut short leaves, parts put in place before their
// companion - are copies of the source's own: then they are this job's
// leftovers, which the next copy may put its files over. Anything else
// there is another recording's, which only the user may have replaced.
bool LeftoversAreCopiesOf(const std::u16string& sourcePath, const std::u16string& destinationPath);

// True when the recording name in sourceFolder is its own entry (no later
// part) and a move cut short left it whole in destinationFolder, which is
// now durable: moving it again only has to remove its source.
bool ResumesEarlierMove(const std::u16string& sourceFolder, const std::u16string& destinationFolder,
                        const std::u16string& name);

// Makes an entry found in place at the destination durable before its
// source goes: whoever wrote it may not have flushed it.
bool FlushEntry(const std::u16string& folder, const std::u16string& name);

} // namespace dz
