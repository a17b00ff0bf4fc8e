#include "ui/app/Resources.h"

#include "ui/UserStandIn.h"
#include "ui/app/embedded_files.h"
#include "ui/app/resource.h"

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

namespace {

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

// False for a picture that is missing or cannot be decoded; a damaged
// picture is a failed load, not a message box.
bool ReadImage(const char* name, wxBitmapType type, wxImage& image) {
    wxLogNull quiet;
    if (const wxString& folder = TestStandIn().resourceFolder; !folder.empty()) {
        const wxString path = wxFileName(folder, name).GetFullPath();
        return wxFileName::FileExists(path) && image.LoadFile(path, type);
    }
    const EmbeddedFile* file = FindEmbeddedFile(name);
    if (!file)
        return false;
    wxMemoryInputStream stream(file->data, file->size);
    return image.LoadFile(stream, type);
}

} // namespace

wxBitmap LoadBitmapResource(int id) {
    const char* name = BitmapFile(id);
    wxImage image;
    if (!name || !ReadImage(name, wxBITMAP_TYPE_BMP, image))
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
    for (const char* name : {"dezadide_16.png", "dezadide_32.png", "dezadide_48.png",
                             "dezadide_64.png", "dezadide_128.png"}) {
        wxImage image;
        if (!ReadImage(name, wxBITMAP_TYPE_PNG, image))
            continue;
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap(image));
        bundle.AddIcon(icon);
    }
    return bundle;
#endif
}
