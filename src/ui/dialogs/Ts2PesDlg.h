#pragma once
// The "ts2pes" dialog: the user picks or types a recording and a target .mpg,
// starts the conversion on a worker thread, watches a bar over the whole
// recording and one over the part being read, and may stop it at any time.
// The worker reports synchronously; the dialog answers on its own thread and
// never ends while the worker still runs, because the worker's reports are
// addressed to it until the end.
#include "convert/conversion_handoff.h"
#include "convert/conversion_job.h"
#include "convert/stop_event.h"
#include "ui/window_wake.h"

#include <wx/dialog.h>
#include <wx/timer.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class wxFileDialog;
class wxGauge;
class wxStaticText;
class wxTextCtrl;

inline constexpr int IDD_TS2PES = 102;
inline constexpr int IDC_SOURCE_EDIT = 1000;
inline constexpr int IDC_SOURCE_OPEN = 1001;
inline constexpr int IDC_TARGET_EDIT = 1002;
inline constexpr int IDC_TARGET_OPEN = 1003;
inline constexpr int IDC_START = 1004;
inline constexpr int IDC_STOP = 1005;
inline constexpr int IDC_CURRENT_PROGRESS = 1006;
inline constexpr int IDC_CURRENT_PERCENT = 1007;
inline constexpr int IDC_STATUS = 1008;
inline constexpr int IDC_TOTAL_PROGRESS = 1009;
inline constexpr int IDC_TOTAL_PERCENT = 1010;
inline constexpr int TIMER_PROGRESS = 1500;
inline constexpr int TIMER_STOP_WAIT = 1501;

class CTs2PesDlg : public wxDialog {
public:
    // What tests put in place of the real thing; empty members leave it be.
    struct Seams {
        // Runs in place of a file dialog (given as the user would see it:
        // its style, filter, folder and name) and gives the path a user
        // would choose.
        struct FileBox {
            long style;
            wxString wildcard, folder, name;
        };
        std::function<int(const FileBox&, wxString& path)> chooseFile;
        // Called on the window's thread once part `index` has begun and
        // been shown, while the worker still waits for that report.
        std::function<void(CTs2PesDlg&, int index)> onPartShown;
        // Read by the progress timer in place of the worker's position in
        // the part it reads.
        std::function<dz::convert::SourceProgress()> progress;
        // Answers the question before an existing target is replaced (true:
        // Yes), in place of the modal box.
        std::function<bool(const std::u16string& question)> askReplace;
    };

    CTs2PesDlg(wxWindow* parent, const std::u16string& source, const std::u16string& target,
               Seams seams = {});
    ~CTs2PesDlg() override;

    // The five texts the dialog exchanges with its controls.
    std::u16string m_strSource;
    std::u16string m_strTarget;
    std::u16string m_strCurrentPercent;
    std::u16string m_strStatus;
    std::u16string m_strTotalPercent;
    // From Start until the worker's outcome has been shown.
    bool m_bBusy = false;

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    bool IsWorkerRunning() const { return m_pJob->IsRunning(); }
    bool HasStopEvent() const { return m_pStop != nullptr; }
    // The part's progress display ticks from the first part's start on.
    bool IsShowingProgress() const { return m_progressTimer.IsRunning(); }

private:
    void CreateControls();
    void OnSourceOpen(wxCommandEvent& event);
    void OnTargetOpen(wxCommandEvent& event);
    void OnStart(wxCommandEvent& event);
    void OnStop(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnProgressTimer(wxTimerEvent& event);
    void OnStopWaitTimer(wxTimerEvent& event);
    // Runs a file dialog; the chosen path, or nothing when it was cancelled.
    bool ChooseFile(bool save, std::u16string& path);
    // Open for the source (save false) or the target (save true): the chosen
    // path goes into member, what was typed into the other field stays.
    void OpenInto(bool save, std::u16string& member);
    // The worker's reports, served on the window's thread.
    void ShowPartStarted(int index, int totalPercent);
    void ShowOutcome(dz::convert::ConversionOutcome outcome, const std::u16string& text);
    // Widens the file-name fields (and the dialog) so that the paths show whole.
    void FitPaths();
    void SetTotalPercent(int percent);
    void SetCurrentPercent(int percent);
    // Asks a running worker to stop; the dialog ends once it has.
    void RequestClose();
    void EndWhenWorkerGone();

    // Runs on the window's thread whenever the worker has handed something over.
    void ServeReports();

    Seams m_seams;
    // Declared before the job: the worker reports into it until joined.
    CWindowWake<CTs2PesDlg> m_wake;
    dz::convert::ConversionHandoff m_handoff;
    std::unique_ptr<dz::convert::ConversionJob> m_pJob;
    std::shared_ptr<dz::convert::StopEvent> m_pStop;
    wxTimer m_progressTimer;
    wxTimer m_stopWaitTimer;
    bool m_bClosing = false;
    bool m_bEnded = false;
    // The worker's warnings of the running conversion, shown with its outcome.
    std::vector<std::u16string> m_warnings;
    // Controls that lie right of the file-name fields, moved when they widen.
    std::vector<wxWindow*> m_rightColumn;
    std::vector<wxWindow*> m_wideColumn; // the fields, bars and status: widened

    wxTextCtrl* m_wndSource = nullptr;
    wxTextCtrl* m_wndTarget = nullptr;
    wxGauge* m_wndTotal = nullptr;
    wxStaticText* m_wndTotalPercent = nullptr;
    wxGauge* m_wndCurrent = nullptr;
    wxStaticText* m_wndCurrentPercent = nullptr;
    wxStaticText* m_wndStatus = nullptr;
};
