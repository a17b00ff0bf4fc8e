#include "convert/conversion_prepare.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"

namespace dz::convert {

PreparedConversion PrepareConvert(const std::u16string& source, const std::u16string& target,
                                  ConversionSettings settings, ConversionQuestions& questions) {
    PreparedConversion prepared;
    // A link under the target's name counts as taken too, dangling or not.
    if (!target.empty() && platform::PathExists(target)) {
        switch (questions.AskReplaceTarget(FillMessage(msg::kReplaceTargetQuestion, target))) {
        case ConversionQuestions::TargetAnswer::Cancel:
            return prepared;
        case ConversionQuestions::TargetAnswer::Replace:
            settings.replaceTarget = true;
            break;
        case ConversionQuestions::TargetAnswer::Keep:
            break;
        }
    }
    prepared.status = PreparedConversion::Status::kReady;
    prepared.source = source;
    prepared.target = target;
    prepared.settings = std::move(settings);
    return prepared;
}

} // namespace dz::convert
