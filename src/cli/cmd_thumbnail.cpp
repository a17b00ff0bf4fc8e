#include "cli/commands.h"

#include "common/messages.h"
#include "media/thumbnail.h"

#include <ostream>

namespace dz::cli {

int RunThumbnail(const ThumbnailOptions& options, std::ostream& out, std::ostream& err) {
    if (options.width < 1 || options.width > media::kMaxThumbnailWidth ||
        (options.atSeconds && !(*options.atSeconds >= 0))) {
        err << "dezadide-cli: --width must be 1 to " << media::kMaxThumbnailWidth
            << " and --at a time of 0 seconds or more\n";
        return kExitUsage;
    }
    media::ThumbnailRequest request;
    request.recording = options.recording;
    request.atSeconds = options.atSeconds;
    request.width = options.width;
    const char16_t* failure = nullptr;
    switch (media::WriteThumbnail(request, options.target)) {
    case media::ThumbnailResult::kDone:
        out << Shown(options.target) << '\n';
        return kExitOk;
    case media::ThumbnailResult::kCantOpenSource:
        failure = msg::kCantOpenSource;
        break;
    case media::ThumbnailResult::kCantReadSource:
        failure = msg::kCantReadSource;
        break;
    case media::ThumbnailResult::kNotATransportStream:
        failure = msg::kNotATransportStream;
        break;
    case media::ThumbnailResult::kNoVideo:
        failure = msg::kPictureNoVideo;
        break;
    case media::ThumbnailResult::kNoPicture:
        failure = msg::kPictureNotDecoded;
        break;
    case media::ThumbnailResult::kNoLength:
        failure = msg::kPictureNoTimes;
        break;
    case media::ThumbnailResult::kPastTheEnd:
        failure = msg::kPicturePastTheEnd;
        break;
    case media::ThumbnailResult::kCantWriteTarget:
        failure = msg::kCantWritePicture;
        break;
    }
    PrintMessage(err, failure);
    return kExitFailure;
}

} // namespace dz::cli
