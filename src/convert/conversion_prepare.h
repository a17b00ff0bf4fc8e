#pragma once
// A conversion made ready: what both front ends settle before they start
// the job - whether an existing target may be replaced, asked through the
// front end's own way of asking - and the job's settings that follow.
#include "convert/conversion_job.h"

#include <string>

namespace dz::convert {

// The questions a conversion may have to ask before its job, answered by
// each front end in its own way: the window with its dialog, the terminal
// tool with --replace.
class ConversionQuestions {
public:
    // Replace: once the new file is complete. Keep: go on, and the job
    // leaves the file as it is and says so. Cancel: nothing is started.
    enum class TargetAnswer { Replace, Keep, Cancel };
    virtual ~ConversionQuestions() = default;
    // Something is under the target's name; question is the text to ask.
    virtual TargetAnswer AskReplaceTarget(const std::u16string& question) = 0;
};

struct PreparedConversion {
    enum class Status { kReady, kCancelled };
    Status status = Status::kCancelled;
    // kReady: what the job converts, and how.
    std::u16string source;
    std::u16string target;
    ConversionSettings settings;
};

// settings come as the front end has them; an answer of Replace sets their
// replaceTarget.
PreparedConversion PrepareConvert(const std::u16string& source, const std::u16string& target,
                                  ConversionSettings settings, ConversionQuestions& questions);

} // namespace dz::convert
