#pragma once
// "Input Name": asks for the name of a new folder. The box takes at most 128
// characters; OK with a longer text (one that got past the box's own limit)
// is refused with a message and leaves the dialog open. The close box and
// Escape count as Cancel.
#include "transfer/new_folder.h"

#include <wx/dialog.h>

#include <string>

class wxTextCtrl;

inline constexpr int IDD_INPUT_NAME = 130;
inline constexpr int IDC_NAME = 1000;

class CInputNameDlg : public wxDialog {
public:
    CInputNameDlg();

    // The name as typed, after OK; empty at construction.
    std::u16string m_strName;

    wxTextCtrl* GetNameBox() const { return m_wndName; }

private:
    wxTextCtrl* m_wndName = nullptr;
};
