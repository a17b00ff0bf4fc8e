#pragma once
// The window's pictures, found by resource id in the resource folder (res/
// of the source tree unless set otherwise).
#include <wx/bitmap.h>
#include <wx/iconbndl.h>
#include <wx/string.h>

// An invalid bitmap when the id is unknown or its file cannot be read.
wxBitmap LoadBitmapResource(int id);
// Every size of icon id that exists; empty when none does.
wxIconBundle LoadIconResource(int id);

void SetResourceFolder(const wxString& folder);
wxString GetResourceFolder();
