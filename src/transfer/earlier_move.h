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

// Makes an entry found in place at the destination durable before its
// source goes: whoever wrote it may not have flushed it.
bool FlushEntry(const std::u16string& folder, const std::u16string& name);

} // namespace dz
