#include "app/Resources.h"

#include "app/resource.h"

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

namespace {

wxString& Folder() {
#ifdef __WXMSW__
    // Installed or built, the pictures sit in res\ beside the program.
    static wxString folder =
        wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetPathWithSep() + "res";
#else
    static wxString folder = DEZADIDE_RES_DIR;
#endif
    return folder;
}

const char* BitmapFile(int id) {
    switch (id) {
    case IDR_MAINFRAME:
        return "toolbar.bmp"; // the 16-colour strip of the toolbar layout
    case IDB_TOOLBAR_NORMAL:
        return "toolbar_normal.bmp";
    case IDB_TOOLBAR_HOT:
        return "toolbar_hot.bmp";
    case IDB_TOOLBAR_DISABLED:
        return "toolbar_disabled.bmp";
    default:
        return nullptr;
    }
}

} // namespace

void SetResourceFolder(const wxString& folder) {
    Folder() = folder;
}
wxString GetResourceFolder() {
    return Folder();
}

wxBitmap LoadBitmapResource(int id) {
    const char* name = BitmapFile(id);
    if (!name)
        return wxNullBitmap;
    const wxString path = wxFileName(Folder(), name).GetFullPath();
    if (!wxFileName::FileExists(path))
        return wxNullBitmap;
    wxLogNull quiet; // a damaged file is a failed load, not a message box
    wxImage image;
    if (!image.LoadFile(path, wxBITMAP_TYPE_BMP))
        return wxNullBitmap;
    return wxBitmap(image);
}

wxIconBundle LoadIconResource(int id) {
    wxIconBundle bundle;
    if (id != IDR_MAINFRAME)
        return bundle;
#ifdef __WXMSW__
    // Windows keeps the icon in the program itself, every size in one
    // resource (app/dezadide.rc), as Explorer and the task bar expect.
    return wxIconBundle(wxS("IDR_MAINFRAME"), nullptr);
#else
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler); // the image list takes ownership
    wxLogNull quiet;
    for (const char* name : {"dezadide_16.png", "dezadide_32.png", "dezadide_48.png"}) {
        const wxString path = wxFileName(Folder(), name).GetFullPath();
        wxImage image;
        if (wxFileName::FileExists(path) && image.LoadFile(path, wxBITMAP_TYPE_PNG)) {
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(image));
            bundle.AddIcon(icon);
        }
    }
    return bundle;
#endif
}
