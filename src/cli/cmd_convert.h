#pragma once
// convert SOURCE TARGET: the conversion dialog's job from a terminal.
#include "convert/conversion_job.h"

#include <cstdio>
#include <functional>
#include <iosfwd>
#include <string>

namespace dz::cli {

struct ConvertOptions {
    std::u16string source;
    std::u16string target;
    // A progress line on err while converting (main sets it when standard
    // error is a terminal).
    bool progress = false;
    // The converter's diagnostic lines.
    std::FILE* log = stderr;
    // Tests: the target file-system rule, and a look at each part as it begins.
    std::function<bool(const std::u16string&)> targetTakesWholeRecording;
    std::function<void(int index, int count)> onPartStarted;
};

// Prints the outcome text: on out when the conversion finished (exit 0), on
// err otherwise. Ctrl+C stops the conversion like the dialog's Stop button
// and gives exit status 130; every other failure gives 1.
int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err);

} // namespace dz::cli
