#pragma once
// The about box: the application's icon, its name and version, one more
// line, and OK.
#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};

// Shows the about box modally and returns when it closes.
void ShowAboutBox(wxWindow* parent);
