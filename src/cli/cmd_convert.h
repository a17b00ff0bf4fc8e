#pragma once
// convert SOURCE TARGET: the conversion dialog's job from a terminal.
#include "convert/conversion_job.h"

#include <cstdio>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace dz::cli {

struct ConvertOptions {
    std::u16string source;
    std::u16string target;
    // Whether an existing TARGET (a file, or a link, which is replaced
    // itself) may be replaced once the new output is complete.
    bool replace = false;
    // A progress line on err while converting (main sets it when standard
    // error is a terminal).
    bool progress = false;
    // The converter's diagnostic lines.
    std::FILE* log = stderr;
    // Tests: the target file-system rule, and a look at each part as it begins.
    std::function<std::optional<bool>(const std::u16string&)> targetTakesWholeRecording;
    std::function<void(int index, int count)> onPartStarted;
};

// Prints the outcome text: on out when the conversion finished (exit 0), on
// err otherwise, after any warning (a miscounting companion, only part 1 on
// a FAT disk). Ctrl+C stops the conversion like the dialog's Stop button and
// gives exit status 130 with TARGET as it was; every other failure gives 1.
// An existing TARGET without `replace` is refused (exit 1) before anything
// is read.
int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err);

} // namespace dz::cli
