// What the main window remembers between starts: its place and size, the
// splitter bars, each list's column widths, sort and folder, and whether
// Delete asks first, applied at the start and gathered at the end.
#include "common/user_settings.h"
#include "platform/folder_path.h"
#include "platform/platform.h"
#include "ui/app/LayoutSettingsFile.h"
#include "ui/app/MainFrame.h"
#include "ui/app/PaneSplitter.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <wx/display.h>

#include <algorithm>
#include <vector>

namespace {

// What a row shows on a first start, so neither list waits for a click: the
// top row the recorder's disk (a drive holding the recorder's REC folder)
// where one is there, else the first drive; the bottom row the first drive
// the top row does not show, else the same.
std::u16string FirstStartDrive(int row, const std::vector<std::u16string>& drives) {
    if (drives.empty())
        return {};
    const auto recorder = std::find_if(drives.begin(), drives.end(), [](const auto& drive) {
        return dz::platform::FolderExists(dz::platform::JoinPath(drive, u"REC"));
    });
    const std::u16string top = recorder != drives.end() ? *recorder : drives.front();
    if (row == kTopRow)
        return top;
    const auto other =
        std::find_if(drives.begin(), drives.end(), [&](const auto& drive) { return drive != top; });
    return other != drives.end() ? *other : top;
}

} // namespace

void CMainFrame::RememberSettingsIn(const wxString& file) {
    m_settingsFile = file;
    m_settings = ReadLayoutSettings(file);
    if (!m_bCreated)
        return;
    const dz::LayoutSettings& s = m_settings;
    if (s.window) {
        const wxSize screen = wxGetDisplaySize();
        if (const auto fit = dz::FitPlacement(*s.window, screen.x, screen.y)) {
            SetSize(fit->x, fit->y, fit->width, fit->height);
            // A window manager may place a new window by its own rule
            // whatever the program asked: once shown, it is moved back.
            if (!IsShown())
                m_pendingPlace = wxPoint(fit->x, fit->y);
        }
    }
    if (s.treeColumnWidth > 0)
        m_pSplitter->SetColumnWidth(s.treeColumnWidth);
    if (s.rowHeight > 0)
        m_pSplitter->SetRowHeight(s.rowHeight, s.rowAreaHeight);
    m_pSplitter->RecalcLayout();
    for (int row : {kTopRow, kBottomRow}) {
        CFileView& list = *Row(row).fileView;
        const auto widths = dz::WithNewColumns(s.columnWidths[row]);
        if (widths[CFileView::kFileName] > 0)
            list.SetColumnWidths(widths, s.listWidth[row]);
        list.ShowDetails(s.detailsPane);
        const int column = s.sortColumn[row];
        if (column >= 0 && column <= static_cast<int>(dz::RowSortColumn::Length))
            list.SetSort({static_cast<dz::RowSortColumn>(column), s.sortDescending[row]});
        // A folder that has gone since: its nearest parent still there, or nothing.
        std::u16string folder =
            dz::platform::NearestExistingFolder(s.folders[row], [](const std::u16string& path) {
                return dz::platform::FolderExists(path);
            });
        if (s.folders[row].empty())
            folder = FirstStartDrive(row, Row(row).folderView->m_wndTree.DriveLabels());
        if (!folder.empty())
            Row(row).folderView->m_wndTree.SelectPath(folder);
    }
    if (s.window && s.window->maximised)
        Maximize();
}

void CMainFrame::SaveSettings() {
    if (m_settingsFile.empty() || !m_bCreated)
        return;
    dz::LayoutSettings& s = m_settings;
    // The place and size the window returns to when it is not maximised.
    const wxRect normal = IsMaximized() ? m_normalRect : GetRect();
    s.window = dz::WindowPlacement{normal.x, normal.y, normal.width, normal.height, IsMaximized()};
    s.treeColumnWidth = m_pSplitter->GetColumnWidth();
    s.rowHeight = m_pSplitter->GetRowHeight();
    s.rowAreaHeight = m_pSplitter->GetClientSize().y;
    for (int row : {kTopRow, kBottomRow}) {
        const CFileView& list = *Row(row).fileView;
        // The base the columns scale from, not the widths of this moment:
        // scaled widths read back at another window size would grow or
        // shrink a little more at every start.
        s.columnWidths[row] = list.GetBaseColumnWidths();
        s.listWidth[row] = list.GetBaseListWidth();
        s.folders[row] = Row(row).folderView->m_strPath;
        s.sortColumn[row] = static_cast<int>(list.GetSort().column);
        s.sortDescending[row] = list.GetSort().descending;
    }
    WriteLayoutSettings(m_settingsFile, s);
}
