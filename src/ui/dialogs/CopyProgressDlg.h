#pragma once
// The modal dialog of a copy or move job. It starts the transfer worker
// shortly after it first shows, follows the worker's reports (entry counter,
// entry name, folders, a bar over all entries, a bar within the entry, and
// the speed with the time left), and ends itself on the job's end, on a
// failure or on Cancel - always only after the worker has ended, because the
// worker reports to the dialog and reads its cancel token until then.
#include "common/SortStringArray.h"
#include "transfer/progress_handoff.h"
#include "transfer/transfer_rate.h"
#include "transfer/transfer_worker.h"
#include "ui/window_wake.h"

#include <wx/dialog.h>
#include <wx/timer.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class wxGauge;
class wxStaticText;
class wxTextCtrl;

inline constexpr int IDD_COPY_PROGRESS = 131;
inline constexpr int IDT_START_WORKER = 1001;
inline constexpr int IDC_PROGRESS_COUNTER = 1002;
inline constexpr int IDC_PROGRESS_TOTAL = 1003;
inline constexpr int IDC_PROGRESS_FILENAME = 1004;
inline constexpr int IDC_PROGRESS_CURRENT = 1005;
inline constexpr int IDC_PROGRESS_SOURCE = 1006;
inline constexpr int IDC_PROGRESS_DESTINATION = 1007;
inline constexpr int IDC_PROGRESS_RATE = 1008;

class CCopyProgressDlg : public wxDialog {
public:
    // What tests put in place of the real thing; empty members leave it be.
    struct Seams {
        // Called on the window's thread after each report was shown.
        std::function<void(CCopyProgressDlg&, const dz::ProgressReport&)> onReport;
        // Runs instead of the worker's thread procedure.
        std::function<int(dz::TransferJob*)> threadProc;
    };

    // Without a parent: the main window becomes the owner and is disabled
    // while the dialog runs. The job's folders, names and entries to
    // replace are the command's; the dialog fills in the rest. Without a
    // mode or without names it ends at once.
    CCopyProgressDlg(dz::TransferMode mode, dz::TransferJob job, Seams seams = {});
    ~CCopyProgressDlg() override;
    // How the job ended, filled by the worker; read by the command once the
    // dialog has ended, to say what failed or how far a cancel got.
    dz::TransferOutcome m_outcome;

    // What the user sees, for tests.
    std::u16string GetCounterText() const;
    std::u16string GetFileNameText() const;
    std::u16string GetSourceText() const;
    std::u16string GetDestinationText() const;
    std::u16string GetRateText() const;
    int GetTotalRange() const;
    int GetTotalPosition() const;
    int GetCurrentRange() const;
    int GetCurrentPosition() const;
    bool IsWorkerRunning() const { return m_worker.joinable(); }
    bool IsCancelRequested() const { return m_cancel.Cancelled(); }

    bool TransferDataToWindow() override;

private:
    void CreateControls();
    void OnPaint(wxPaintEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnCancel(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    // A mode and something to move or copy: the worker has work.
    bool HasWork() const { return m_nMode != dz::TransferMode::None && m_job.names.GetSize() > 0; }
    void StartWorker();
    // Runs on the window's thread whenever the worker has handed something over.
    void ServeReports();
    void OnProgress(const dz::ProgressReport& report);
    void ShowRate();
    // The caption for the current entry at this percent of it.
    void ShowTitle(int percent);
    // Asks the worker to stop and ends the dialog once it has ended.
    void RequestEnd();

    bool m_bFirstPaint = true;
    std::vector<uint64_t> m_partSizes; // the current recording's files; empty for a plain file
    int m_nPart = -1;
    Seams m_seams;
    const dz::TransferMode m_nMode;
    // The window's side of the worker's reports; declared before the thread
    // so that it outlives it.
    CWindowWake<CCopyProgressDlg> m_wake;
    dz::ProgressHandoff m_handoff;
    dz::CancelToken m_cancel;
    dz::TransferJob m_job;
    std::thread m_worker;
    wxTimer m_timer;
    bool m_bEndRequested = false;
    bool m_bEnded = false;

    wxGauge* m_wndTotal = nullptr;
    wxGauge* m_wndCurrent = nullptr;
    wxTextCtrl* m_wndFileName = nullptr;
    wxStaticText* m_wndCounter = nullptr;
    wxTextCtrl* m_wndDestination = nullptr;
    wxTextCtrl* m_wndSource = nullptr;
    wxStaticText* m_wndRate = nullptr;
    // The texts as the controls get them when the dialog pushes its data.
    std::u16string m_strFileName;
    std::u16string m_strCounter;
    std::u16string m_strDestination;
    std::u16string m_strSource;

    // Written by the worker before its first report, taken by the window
    // when it serves that report.
    std::vector<dz::EntrySize> m_entrySizes;
    bool m_bEntrySizesTaken = false;
    dz::JobBytes m_jobBytes;
    dz::RateMeter m_rate;
    std::chrono::steady_clock::time_point m_lastRateShown{};
};
