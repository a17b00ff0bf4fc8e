#include "ui/dialogs/DeleteProgressDlg.h"

#include "transfer/entry_deletion.h"
#include "ui/dialog_units.h"
#include "ui/wx_text.h"

#include <wx/dcclient.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

CDeleteProgressDlg::CDeleteProgressDlg(Job job, Seams seams)
    : m_job(std::move(job)), m_seams(std::move(seams)), m_timer(this, IDT_START_DELETE) {
    // No caption and no close box: a deletion, once begun, runs to its end.
    Create(nullptr, IDD_DELETE_PROGRESS, wxString(), wxDefaultPosition, wxDefaultSize,
           wxBORDER_RAISED);
    SetClientSize(ConvertDialogToPixels(wxSize(209, 36)));
    const wxRect title = DialogRect(this, 7, 7, 195, 8);
    new wxStaticText(this, wxID_ANY, "Delete Files", title.GetPosition(), title.GetSize(),
                     wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    const wxRect field = DialogRect(this, 7, 15, 195, 14);
    m_wndFileName = new wxTextCtrl(this, IDC_DELETE_FILENAME, wxString(), field.GetPosition(),
                                   field.GetSize(), wxTE_READONLY | wxBORDER_SUNKEN);
    Centre();
    // Escape would otherwise end the dialog before its run.
    SetEscapeId(wxID_NONE);

    Bind(wxEVT_PAINT, &CDeleteProgressDlg::OnPaint, this);
    Bind(wxEVT_TIMER, &CDeleteProgressDlg::OnTimer, this, IDT_START_DELETE);
    Bind(wxEVT_CLOSE_WINDOW, &CDeleteProgressDlg::OnClose, this);
}

void CDeleteProgressDlg::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    if (!m_bFirstPaint)
        return;
    m_bFirstPaint = false;
    // The run blocks the window; it starts once the window can be seen.
    m_timer.StartOnce(100);
}

void CDeleteProgressDlg::OnTimer(wxTimerEvent&) {
    m_timer.Stop();
    if (!m_job.folder.empty())
        DeleteSelectedFiles();
    m_bDone = true;
    Close();
}

void CDeleteProgressDlg::OnClose(wxCloseEvent& event) {
    if (!m_bDone && event.CanVeto()) {
        event.Veto();
        return;
    }
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}

void CDeleteProgressDlg::DeleteSelectedFiles() {
    m_outcome = dz::DeleteEntries(m_job.folder, m_job.names,
                                  [this](const std::u16string& path) { ShowPath(path); });
}

void CDeleteProgressDlg::ShowPath(const std::u16string& path) {
    m_wndFileName->ChangeValue(ToWx(path));
    // The event loop does not run during the deletion: paint the name now.
    m_wndFileName->Refresh();
    m_wndFileName->Update();
    if (m_seams.onShow)
        m_seams.onShow(*this, path);
}
