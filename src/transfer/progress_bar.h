#pragma once
// The reports a transfer sends and the maths of their bars, in one place:
// a plain file's bar runs over its bytes, a recording's over the percent of
// its total size; the job's own reports come before and after its entries.
#include "transfer/transfer_worker.h"

#include <cstdint>

namespace dz {

// A report of the job as a whole (memory, its folders, its end).
void ReportJob(const TransferJob& job, int32_t total, int32_t number, ProgressCode code);

// The reports of one entry of a job, with the bar's state between them.
class EntryReports {
public:
    EntryReports(const TransferJob& job, int32_t total, int32_t number)
        : m_job(job), m_total(total), m_number(number) {}

    // A failure of this entry; one found before its copy began is sent
    // without the entry's numbers.
    void Error(ProgressCode code, bool numbered = true) const;

    // A plain file of length bytes, its blocks as they arrive.
    void PlainStart(uint64_t length);
    void PlainStep(uint64_t share);
    void PlainDone() const;

    // A recording of totalSize bytes (0: unknown), its parts' blocks as
    // they arrive; the companion is not counted.
    void RecordingStart(uint64_t totalSize);
    void RecordingStep(uint64_t share);
    void RecordingDone() const;

private:
    void Send(ProgressCode code, int32_t range, int32_t position) const;

    const TransferJob& m_job;
    int32_t m_total = 0;
    int32_t m_number = 0;
    uint64_t m_length = 0; // the plain file's bytes, or the recording's
    uint64_t m_copied = 0;
};

} // namespace dz
