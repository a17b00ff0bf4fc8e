#include "convert/facts_worker.h"

#include "common/list_text.h"
#include "common/text.h"

#include <algorithm>
#include <utility>

namespace dz::convert {

std::unique_ptr<FactsRun> StartFactsRun(std::vector<std::u16string> paths,
                                        std::shared_ptr<FactsCache> cache,
                                        std::function<void()> wake) {
    auto work = [paths = std::move(paths), cache = std::move(cache)](
                    const FactsRun::Hand& hand, const FactsRun::Cancelled& cancelled) {
        using Clock = std::chrono::steady_clock;
        FoundFactsBatch batch;
        Clock::time_point lastHanded = Clock::now();
        for (size_t i = 0; i < paths.size(); ++i) {
            if (cancelled())
                break;
            batch.push_back({i, CachedRecordingFacts(paths[i], *cache)});
            if (batch.size() >= kFactsBatch || Clock::now() - lastHanded >= kFactsBatchTime) {
                hand(std::exchange(batch, {}));
                lastHanded = Clock::now();
            }
        }
        if (!batch.empty() && !cancelled())
            hand(std::move(batch));
        // What was read stays read for the next visit, even of a run cut short.
        cache->Save();
    };
    return std::make_unique<FactsRun>(std::move(work), std::move(wake));
}

std::vector<std::string> FactsLines(const RecordingFacts& facts) {
    std::vector<std::string> lines{"length " + ToUtf8(LengthText(facts.length))};
    for (const StreamFormat& stream : facts.streams)
        lines.push_back(StreamText(stream));
    return lines;
}

} // namespace dz::convert
