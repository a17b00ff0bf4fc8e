#pragma once
// The conversion worker's calls, handed to the thread of the window that
// watches it as one report type.
#include "common/report_handoff.h"
#include "convert/conversion_job.h"

#include <string>

namespace dz::convert {

struct ConversionReport {
    enum class Kind { kPartStarted, kWarning, kFinished };
    Kind kind = Kind::kPartStarted;
    int index = 0; // kPartStarted: the part (0-based) of count
    int count = 0;
    int totalPercent = 0;
    ConversionOutcome outcome = ConversionOutcome::kCanceled; // kFinished
    std::u16string text; // kFinished: the outcome's text; kWarning: the warning
};

class ConversionHandoff final : public ConversionObserver, public ReportHandoff<ConversionReport> {
public:
    using ReportHandoff::ReportHandoff;
    void OnPartStarted(int index, int count, int totalPercent) override {
        ConversionReport report;
        report.index = index;
        report.count = count;
        report.totalPercent = totalPercent;
        Hand(std::move(report));
    }
    void OnWarning(std::u16string_view text) override {
        ConversionReport report;
        report.kind = ConversionReport::Kind::kWarning;
        report.text = std::u16string(text);
        Hand(std::move(report));
    }
    void OnFinished(ConversionOutcome outcome, std::u16string_view text) override {
        ConversionReport report;
        report.kind = ConversionReport::Kind::kFinished;
        report.outcome = outcome;
        report.text = std::u16string(text);
        Hand(std::move(report));
    }
};

} // namespace dz::convert
