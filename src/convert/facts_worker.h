#pragma once
// Recordings' stream facts worked out on a thread of their own, so that a
// list shows its rows at once and their lengths fill in as they are read.
// The facts come in small batches through a report hand-off; the owner
// cancels (or drops) a run whose rows it no longer shows, and from then on
// nothing of that run reaches it.
#include "common/background_run.h"
#include "convert/facts_cache.h"
#include "convert/stream_facts.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dz::convert {

struct FoundFacts {
    size_t index = 0; // its place among the paths asked for
    RecordingFacts facts;
};
using FoundFactsBatch = std::vector<FoundFacts>;

// A run hands what it found at least this often, so the rows fill in
// steadily, and in batches of at most kFactsBatch, so a run of cached
// recordings does not stall the window with one call per row.
inline constexpr std::chrono::milliseconds kFactsBatchTime{100};
inline constexpr size_t kFactsBatch = 256;

using FactsRun = BackgroundRun<FoundFactsBatch>;

// Starts reading the facts of the recordings at `paths` (part-1 files), in
// that order, through `cache`, which is saved when the run ends; wake asks
// the owner's thread to call Serve soon (see ReportHandoff).
std::unique_ptr<FactsRun> StartFactsRun(std::vector<std::u16string> paths,
                                        std::shared_ptr<FactsCache> cache,
                                        std::function<void()> wake);

// The facts as lines of text, as `dezadide-cli info` names them: the length
// ("length 1:02:03") and one line per stream ("video mpeg2video 720x576 16:9
// 25 fps").
std::vector<std::string> FactsLines(const RecordingFacts& facts);

} // namespace dz::convert
