#pragma once
// The small window of the Delete command: it names each file while it is
// removed. The run starts shortly after the window first shows, runs on the
// window's thread, and the window then closes itself; the user cannot stop
// or close it meanwhile.
#include "common/SortStringArray.h"
#include "transfer/entry_deletion.h"

#include <wx/dialog.h>
#include <wx/timer.h>

#include <functional>
#include <string>

class wxTextCtrl;

inline constexpr int IDD_DELETE_PROGRESS = 137;
inline constexpr int IDC_DELETE_FILENAME = 1004;
inline constexpr int IDT_START_DELETE = 1002;

class CDeleteProgressDlg : public wxDialog {
public:
    // What tests put in place of the real thing; empty members leave it be.
    struct Seams {
        // Called after each path was shown, before the file is removed.
        std::function<void(CDeleteProgressDlg&, const std::u16string& path)> onShow;
    };

    // The entries to delete and their folder; nothing is deleted without a
    // folder.
    struct Job {
        std::u16string folder;
        dz::CSortStringArray names;
    };

    explicit CDeleteProgressDlg(Job job, Seams seams = {});

    wxTextCtrl* m_wndFileName = nullptr;
    // The run's first failure, for the command to show once the window has closed.
    dz::DeleteOutcome m_outcome;

private:
    void OnPaint(wxPaintEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnClose(wxCloseEvent& event);
    void DeleteSelectedFiles();
    void ShowPath(const std::u16string& path);

    Job m_job;
    Seams m_seams;
    bool m_bFirstPaint = true;
    bool m_bDone = false;
    wxTimer m_timer;
};
