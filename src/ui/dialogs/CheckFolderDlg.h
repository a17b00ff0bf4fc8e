#pragma once
// "Check Folder": what keeps the recorder from playing the recordings of a
// folder, one row per finding (the entry, the problem, what Mend would do),
// a Mend button that does every mend that loses nothing and then looks
// again, and Close.
#include "transfer/folder_check.h"

#include <wx/dialog.h>

#include <string>
#include <vector>

class wxButton;
class wxListCtrl;
class wxStaticText;

inline constexpr int IDD_CHECK_FOLDER = 132;
inline constexpr int IDC_CHECK_SUMMARY = 1010;
inline constexpr int IDC_CHECK_FINDINGS = 1011;
inline constexpr int IDC_CHECK_MEND = 1012;

class CCheckFolderDlg : public wxDialog {
public:
    enum Column { kEntry, kProblem, kMend, kColumnCount };

    // Checks the folder at once; the dialog shows what was found.
    CCheckFolderDlg(wxWindow* parent, std::u16string folder);

    const std::vector<dz::Finding>& GetFindings() const { return m_findings; }
    wxListCtrl* GetList() const { return m_wndList; }
    wxButton* GetMendButton() const { return m_wndMend; }
    std::u16string GetSummaryText() const;
    // A row's text as shown, for tests.
    std::u16string GetCell(long row, Column column) const;

private:
    // Reads the folder again and shows what is found now.
    void CheckAgain();
    void OnMend(wxCommandEvent& event);

    std::u16string m_folder;
    std::vector<dz::Finding> m_findings;
    wxStaticText* m_wndSummary = nullptr;
    wxListCtrl* m_wndList = nullptr;
    wxButton* m_wndMend = nullptr;
};
