#pragma once
// The transfer worker's reports, handed to the progress window's thread.
#include "common/report_handoff.h"
#include "transfer/transfer_worker.h"

namespace dz {

class ProgressHandoff final : public ProgressSink, public dz::ReportHandoff<ProgressReport> {
public:
    using ReportHandoff::ReportHandoff;
    void OnProgress(const ProgressReport& report) override { Hand(report); }
};

} // namespace dz
