#include "media/recording_details.h"

#include "convert/facts_worker.h"

#include <utility>

namespace dz::media {

std::unique_ptr<DetailsRun> StartDetailsRun(std::u16string recording,
                                            std::shared_ptr<convert::FactsCache> cache, int width,
                                            std::function<void()> wake) {
    auto work = [recording = std::move(recording), cache = std::move(cache),
                 width](const DetailsRun::Hand& hand, const DetailsRun::Cancelled& cancelled) {
        RecordingDetails details;
        details.recording = recording;
        // Read once, through the cache: the lines and the picture's place.
        const convert::RecordingFacts facts = convert::CachedRecordingFacts(recording, *cache);
        details.lines = convert::FactsLines(facts);
        hand(details);
        if (cancelled())
            return;
        RgbPicture picture;
        if (TakePicture({recording, std::nullopt, width, &facts}, picture) ==
            ThumbnailResult::kDone)
            details.picture = std::move(picture);
        details.pictureDone = true;
        hand(std::move(details));
        cache->Save();
    };
    return std::make_unique<DetailsRun>(std::move(work), std::move(wake));
}

} // namespace dz::media
