#include "ui/dialogs/CheckFolderDlg.h"

#include "common/messages.h"
#include "common/text.h"
#include "ui/MessageBox.h"
#include "ui/wx_text.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <utility>

namespace {

// The entry a finding is about: its file, or the folder itself.
std::u16string EntryText(const dz::Finding& f) {
    return f.name.empty() ? f.folder : f.name;
}

} // namespace

CCheckFolderDlg::CCheckFolderDlg(wxWindow* parent, std::u16string folder)
    : m_folder(std::move(folder)) {
    Create(parent, IDD_CHECK_FOLDER, ToWx(dz::msg::kCheckFolderTitle), wxDefaultPosition,
           wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    auto* top = new wxBoxSizer(wxVERTICAL);
    m_wndSummary = new wxStaticText(this, IDC_CHECK_SUMMARY, wxString());
    top->Add(m_wndSummary, 0, wxALL | wxEXPAND, 8);
    m_wndList = new wxListCtrl(this, IDC_CHECK_FINDINGS, wxDefaultPosition,
                               ConvertDialogToPixels(wxSize(440, 120)),
                               wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
    const int width = m_wndList->GetSize().x;
    m_wndList->InsertColumn(kEntry, "Entry", wxLIST_FORMAT_LEFT, width * 30 / 100);
    m_wndList->InsertColumn(kProblem, "Problem", wxLIST_FORMAT_LEFT, width * 48 / 100);
    m_wndList->InsertColumn(kMend, "Mend", wxLIST_FORMAT_LEFT, width * 22 / 100 - 4);
    top->Add(m_wndList, 1, wxLEFT | wxRIGHT | wxEXPAND, 8);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    m_wndMend = new wxButton(this, IDC_CHECK_MEND, "&Mend");
    buttons->Add(m_wndMend, 0, wxRIGHT, 8);
    auto* close = new wxButton(this, wxID_CANCEL, "Close");
    close->SetDefault();
    buttons->Add(close);
    top->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 8);
    SetSizerAndFit(top);
    Bind(wxEVT_BUTTON, &CCheckFolderDlg::OnMend, this, IDC_CHECK_MEND);
    CheckAgain();
    Centre();
}

void CCheckFolderDlg::CheckAgain() {
    {
        wxBusyCursor wait;
        m_findings = dz::CheckFolder(m_folder, false);
    }
    m_wndList->DeleteAllItems();
    bool mendable = false;
    long n = 0;
    for (const dz::Finding& f : m_findings) {
        const long item = m_wndList->InsertItem(n++, ToWx(EntryText(f)));
        m_wndList->SetItem(item, kProblem, ToWx(f.text));
        m_wndList->SetItem(item, kMend, ToWx(dz::MendText(f.mend)));
        mendable = mendable || f.mend != dz::Mend::kNone;
    }
    m_wndSummary->SetLabel(ToWx(dz::CheckSummaryText(m_findings.size(), m_folder)));
    m_wndMend->Enable(mendable);
}

void CCheckFolderDlg::OnMend(wxCommandEvent&) {
    std::u16string failed;
    {
        wxBusyCursor wait;
        for (const dz::Finding& f : m_findings) {
            if (f.mend == dz::Mend::kNone || dz::MendFinding(f))
                continue;
            if (!failed.empty())
                failed += u"\n";
            failed +=
                EntryText(f) + u": " + dz::FillMessage(dz::msg::kFixFailed, dz::MendText(f.mend));
        }
    }
    // What is left is what a second look finds: a mend may also have shown
    // what the first look could not see.
    CheckAgain();
    if (!failed.empty())
        ShowAppMessage(failed, this);
}

std::u16string CCheckFolderDlg::GetSummaryText() const {
    return FromWx(m_wndSummary->GetLabel());
}

std::u16string CCheckFolderDlg::GetCell(long row, Column column) const {
    return FromWx(m_wndList->GetItemText(row, column));
}
