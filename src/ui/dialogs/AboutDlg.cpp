#include "ui/dialogs/AboutDlg.h"

#include "dezadide_version.h"
#include "ui/app/Resources.h"
#include "ui/app/resource.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {
// Placed in dialog units, which follow the dialog font, so the box keeps its
// proportions on any screen.
constexpr int kWidth = 235, kHeight = 55;
} // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, IDD_ABOUTBOX, "About Dezadide", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE) {
    const auto du = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    const auto dus = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };

    const wxIconBundle icons = LoadIconResource(IDR_MAINFRAME);
    const wxIcon icon = icons.GetIcon(wxSize(32, 32), wxIconBundle::FALLBACK_NEAREST_LARGER);
    if (icon.IsOk())
        new wxStaticBitmap(this, wxID_ANY, icon, du(11, 17));

    auto* version =
        new wxStaticText(this, wxID_ANY, wxString(), du(40, 10), dus(119, 8), wxST_NO_AUTORESIZE);
    // Taken literally, no mnemonics.
    version->SetLabelText(wxString("Dezadide Version ") + kDezadideVersion);
    new wxStaticText(this, wxID_ANY, "Recorder disk file manager", du(40, 25), dus(119, 8),
                     wxST_NO_AUTORESIZE);
    new wxStaticText(this, wxID_ANY, "Free software under the GNU GPL, version 2 or later",
                     du(40, 38), dus(186, 8), wxST_NO_AUTORESIZE);
    auto* ok = new wxButton(this, wxID_OK, "OK", du(178, 7), dus(50, 14));
    ok->SetDefault();
    SetClientSize(dus(kWidth, kHeight));
    CentreOnParent();
}

void ShowAboutBox(wxWindow* parent) {
    CAboutDlg box(parent);
    box.ShowModal();
}
