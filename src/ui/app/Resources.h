#pragma once
// The window's pictures by resource id. The program carries them inside
// itself (res/ embedded at build time), so nothing is looked up on disk.
#include <wx/bitmap.h>
#include <wx/iconbndl.h>
#include <wx/string.h>

// An invalid bitmap when the id is unknown or its picture cannot be read.
wxBitmap LoadBitmapResource(int id);
// Every size of icon id that exists; empty when none does.
wxIconBundle LoadIconResource(int id);
