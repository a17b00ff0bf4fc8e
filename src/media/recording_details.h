#pragma once
// What the details pane shows for one recording: its stream facts as lines
// of text, then a picture from a tenth of the way in. Both are worked out on
// a thread of their own; the facts are handed as soon as they are known (the
// cache usually has them), the picture once it is decoded.
#include "common/background_run.h"
#include "convert/facts_cache.h"
#include "media/thumbnail.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dz::media {

struct RecordingDetails {
    std::u16string recording;
    std::vector<std::string> lines; // convert::FactsLines
    // The picture once the attempt is over; none when the recording gives
    // none (no video, a damaged stream, a part that cannot be read).
    std::optional<RgbPicture> picture;
    bool pictureDone = false;
};

using DetailsRun = BackgroundRun<RecordingDetails>;

// Starts reading the details of the recording at `recording` (a part-1
// file), its facts through `cache`, its picture `width` pixels wide.
std::unique_ptr<DetailsRun> StartDetailsRun(std::u16string recording,
                                            std::shared_ptr<convert::FactsCache> cache, int width,
                                            std::function<void()> wake);

} // namespace dz::media
