#pragma once
// Dialog layouts are given in dialog units, as the recorder's tools always
// laid them out; this turns one control's place into pixels for a dialog.
#include <wx/gdicmn.h>
#include <wx/window.h>

inline wxRect DialogRect(wxWindow* dialog, int x, int y, int w, int h) {
    return wxRect(dialog->ConvertDialogToPixels(wxPoint(x, y)),
                  dialog->ConvertDialogToPixels(wxSize(w, h)));
}
