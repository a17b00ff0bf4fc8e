#include "ui/app/LayoutSettingsFile.h"

#include "ui/wx_text.h"

#include <wx/fileconf.h>
#include <wx/filename.h>

#include <memory>

namespace {

const char* const kRowGroups[dz::kRememberedRows] = {"/Top/", "/Bottom/"};

wxString ColumnKey(int row, int column) {
    return wxString(kRowGroups[row]) + wxString::Format("Column%d", column);
}

std::unique_ptr<wxFileConfig> OpenConfig(const wxString& file) {
    return std::make_unique<wxFileConfig>(wxString(), wxString(), file, wxString(),
                                          wxCONFIG_USE_LOCAL_FILE);
}

} // namespace

dz::LayoutSettings ReadLayoutSettings(const wxString& file) {
    dz::LayoutSettings s;
    if (file.empty() || !wxFileName::FileExists(file))
        return s;
    const auto config = OpenConfig(file);
    dz::WindowPlacement w;
    if (config->Read("/Window/Width", &w.width) && config->Read("/Window/Height", &w.height)) {
        config->Read("/Window/X", &w.x);
        config->Read("/Window/Y", &w.y);
        config->Read("/Window/Maximised", &w.maximised);
        s.window = w;
    }
    config->Read("/Panes/TreeWidth", &s.treeColumnWidth);
    config->Read("/Panes/RowHeight", &s.rowHeight);
    config->Read("/Panes/RowAreaHeight", &s.rowAreaHeight);
    for (int row = 0; row < dz::kRememberedRows; ++row) {
        const wxString group = kRowGroups[row];
        for (int c = 0; c < dz::kListColumns; ++c)
            s.columnWidths[row][c] = static_cast<int>(config->ReadLong(ColumnKey(row, c), -1));
        s.listWidth[row] = static_cast<int>(config->ReadLong(group + "ListWidth", 0));
        s.folders[row] = FromWx(config->Read(group + "Folder", wxString()));
        s.sortColumn[row] = static_cast<int>(config->ReadLong(group + "SortColumn", 0));
        s.sortDescending[row] = config->ReadBool(group + "SortDescending", false);
    }
    s.confirmDelete = config->ReadBool("/Confirm/Delete", true);
    s.detailsPane = config->ReadBool("/Panes/Details", false);
    s.verifyAfterCopy = config->ReadBool("/Copy/Verify", false);
    return s;
}

bool WriteLayoutSettings(const wxString& file, const dz::LayoutSettings& s) {
    if (file.empty())
        return false;
    wxFileName::Mkdir(wxFileName(file).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    const auto config = OpenConfig(file);
    if (s.window) {
        config->Write("/Window/X", s.window->x);
        config->Write("/Window/Y", s.window->y);
        config->Write("/Window/Width", s.window->width);
        config->Write("/Window/Height", s.window->height);
        config->Write("/Window/Maximised", s.window->maximised);
    }
    config->Write("/Panes/TreeWidth", s.treeColumnWidth);
    config->Write("/Panes/RowHeight", s.rowHeight);
    config->Write("/Panes/RowAreaHeight", s.rowAreaHeight);
    for (int row = 0; row < dz::kRememberedRows; ++row) {
        const wxString group = kRowGroups[row];
        for (int c = 0; c < dz::kListColumns; ++c)
            config->Write(ColumnKey(row, c), s.columnWidths[row][c]);
        config->Write(group + "ListWidth", s.listWidth[row]);
        config->Write(group + "Folder", ToWx(s.folders[row]));
        config->Write(group + "SortColumn", s.sortColumn[row]);
        config->Write(group + "SortDescending", s.sortDescending[row]);
    }
    config->Write("/Confirm/Delete", s.confirmDelete);
    config->Write("/Panes/Details", s.detailsPane);
    config->Write("/Copy/Verify", s.verifyAfterCopy);
    return config->Flush();
}
