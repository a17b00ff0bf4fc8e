#pragma once
// Dialog layouts are given in dialog units, as the recorder's tools always
// laid them out; this turns one control's place into pixels for a dialog.
#include <wx/gauge.h>
#include <wx/gdicmn.h>
#include <wx/stattext.h>
#include <wx/window.h>

inline wxRect DialogRect(wxWindow* dialog, int x, int y, int w, int h) {
    return wxRect(dialog->ConvertDialogToPixels(wxPoint(x, y)),
                  dialog->ConvertDialogToPixels(wxSize(w, h)));
}

// The progress dialogs' bars: 0 to 100, smooth, placed afterwards.
inline wxGauge* NewProgressBar(wxWindow* dialog, int id) {
    return new wxGauge(dialog, id, 100, wxDefaultPosition, wxDefaultSize,
                       wxGA_HORIZONTAL | wxGA_SMOOTH);
}

// A text of a dialog in the given style, placed afterwards.
inline wxStaticText* NewLabel(wxWindow* dialog, int id, const wxString& text, long style) {
    return new wxStaticText(dialog, id, text, wxDefaultPosition, wxDefaultSize, style);
}
