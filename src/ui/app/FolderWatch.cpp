// Folders that change on disk while they are shown: the lists and the open
// tree folders follow by themselves, through the desktop's file-change
// notifications (no polling), keeping selection and scroll.
#include "common/text.h"
#include "platform/platform.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <wx/filename.h>
#include <wx/fswatcher.h>
#include <wx/log.h>

#include <algorithm>

namespace {

std::u16string ParentOf(const wxFileName& changed) {
    return FromWx(changed.GetPath(wxPATH_NO_SEPARATOR));
}

// Whether the tree has the item of folder open: its children are on screen.
bool IsOpenInTree(CFolderTreeCtrl& tree, const std::u16string& folder) {
    const wxTreeItemId selected = tree.GetSelection();
    return selected.IsOk() && tree.IsExpanded(selected) && tree.GetItemPath(selected) == folder;
}

} // namespace

void CMainFrame::WatchShownFolders() {
    if (!m_bCreated)
        return;
    // The watcher needs the running event loop; the first folder shown comes
    // after that.
    if (!m_pWatcher) {
        m_pWatcher = std::make_unique<wxFileSystemWatcher>();
        m_pWatcher->SetOwner(this);
    }
    const wxLogNull quiet; // a folder that cannot be watched is just not followed
    m_pWatcher->RemoveAll();
    m_watched.clear();
    for (int row : {kTopRow, kBottomRow}) {
        const std::u16string& folder = Row(row).fileView->GetFolder();
        if (folder.empty())
            continue;
        // One folder may be shown through two paths (a link, a bind mount):
        // the system watches it once, and both rows follow that one watch.
        const auto same = std::find_if(m_watched.begin(), m_watched.end(), [&](const auto& w) {
            return w.path == folder || dz::platform::SameFile(w.path, folder);
        });
        if (same != m_watched.end()) {
            same->rows[row] = true;
            continue;
        }
        WatchedFolder watched{folder, {false, false}};
        watched.rows[row] = true;
        m_watched.push_back(watched);
        m_pWatcher->Add(wxFileName::DirName(ToWx(folder)), wxFSW_EVENT_CREATE | wxFSW_EVENT_DELETE |
                                                               wxFSW_EVENT_RENAME |
                                                               wxFSW_EVENT_MODIFY);
    }
}

void CMainFrame::OnFileSystemChange(wxFileSystemWatcherEvent& event) {
    if (!m_bCreated || event.IsError())
        return;
    std::vector<std::u16string> folders = {ParentOf(event.GetPath())};
    if (event.GetChangeType() == wxFSW_EVENT_RENAME)
        folders.push_back(ParentOf(event.GetNewPath()));
    // Changes come in bursts (a copy writes many blocks); one refresh per
    // burst is read once the burst is over. A change is reported under the
    // path the folder is watched by, which stands for every row showing it.
    for (const std::u16string& folder : folders) {
        for (const WatchedFolder& watched : m_watched) {
            if (watched.path != folder)
                continue;
            for (int row : {kTopRow, kBottomRow})
                m_bRefreshPending[row] = m_bRefreshPending[row] || watched.rows[row];
        }
    }
    if ((m_bRefreshPending[kTopRow] || m_bRefreshPending[kBottomRow]) &&
        !m_refreshTimer.IsRunning())
        m_refreshTimer.StartOnce(kRefreshDelayMs);
}

void CMainFrame::RefreshChangedFolders() {
    for (int row : {kTopRow, kBottomRow}) {
        if (!m_bRefreshPending[row])
            continue;
        m_bRefreshPending[row] = false;
        CFileView& list = *Row(row).fileView;
        list.RefreshFolder();
        // A subfolder made or removed shows in the tree when its parent is open.
        CFolderTreeCtrl& tree = Row(row).folderView->m_wndTree;
        if (IsOpenInTree(tree, list.GetFolder())) {
            const wxTreeItemId item = tree.GetSelection();
            tree.Freeze();
            tree.ExpandItem(item);
            tree.Thaw();
        }
    }
}
