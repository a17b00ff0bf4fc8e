#include "ui/app/FolderWatch.h"

#include "platform/platform.h"
#include "ui/wx_text.h"

#include <algorithm>

#include <wx/filename.h>
#include <wx/fswatcher.h>
#include <wx/log.h>

namespace {

std::u16string ParentOf(const wxFileName& changed) {
    return FromWx(changed.GetPath(wxPATH_NO_SEPARATOR));
}

} // namespace

CFolderWatch::CFolderWatch(std::function<void(int row)> refreshRow)
    : m_refreshRow(std::move(refreshRow)) {
    Bind(wxEVT_FSWATCHER, &CFolderWatch::OnFileSystemChange, this);
    m_refreshTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { RefreshChangedRows(); });
}

CFolderWatch::~CFolderWatch() {
    Stop();
}

void CFolderWatch::Stop() {
    m_bStopped = true;
    m_refreshTimer.Stop();
    m_pWatcher.reset();
#ifdef __WXMSW__
    m_folderWatcher.Stop();
#endif
    m_watched.clear();
}

void CFolderWatch::Watch(const std::array<std::u16string, 2>& rowFolders) {
    if (m_bStopped)
        return;
    m_watched.clear();
    std::vector<std::u16string> paths;
    for (int row : {0, 1}) {
        const std::u16string& folder = rowFolders[row];
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
        paths.push_back(folder);
    }
#ifdef __WXMSW__
    // Not wxMSW's watcher: it gives each folder's buffer to an overlapped
    // ReadDirectoryChangesW and frees it, the read still pending, when the
    // watch is removed or the watcher destroyed; a change that completes
    // the read afterwards writes into freed memory (the heap damage found
    // at exit after a conversion had written into a shown folder). Its
    // worker thread also reads the watch table the window's thread edits.
    m_folderWatcher.Watch(paths, [this](const std::u16string& folder) {
        CallAfter([this, folder] { FolderChanged(folder); });
    });
#else
    // The watcher needs the running event loop; the first folder shown comes
    // after that.
    if (!m_pWatcher) {
        m_pWatcher = std::make_unique<wxFileSystemWatcher>();
        m_pWatcher->SetOwner(this);
    }
    const wxLogNull quiet; // a folder that cannot be watched is just not followed
    m_pWatcher->RemoveAll();
    for (const std::u16string& folder : paths)
        m_pWatcher->Add(wxFileName::DirName(ToWx(folder)), wxFSW_EVENT_CREATE | wxFSW_EVENT_DELETE |
                                                               wxFSW_EVENT_RENAME |
                                                               wxFSW_EVENT_MODIFY);
#endif
}

void CFolderWatch::OnFileSystemChange(wxFileSystemWatcherEvent& event) {
    if (event.IsError())
        return;
    FolderChanged(ParentOf(event.GetPath()));
    if (event.GetChangeType() == wxFSW_EVENT_RENAME)
        FolderChanged(ParentOf(event.GetNewPath()));
}

void CFolderWatch::FolderChanged(const std::u16string& folder) {
    if (m_bStopped)
        return;
    // Changes come in bursts (a copy writes many blocks); one refresh per
    // burst is read once the burst is over. A change is reported under the
    // path the folder is watched by, which stands for every row showing it.
    for (const WatchedFolder& watched : m_watched) {
        if (watched.path != folder)
            continue;
        for (int row : {0, 1})
            m_bRefreshPending[row] = m_bRefreshPending[row] || watched.rows[row];
    }
    if ((m_bRefreshPending[0] || m_bRefreshPending[1]) && !m_refreshTimer.IsRunning())
        m_refreshTimer.StartOnce(kRefreshDelayMs);
}

void CFolderWatch::RefreshChangedRows() {
    for (int row : {0, 1}) {
        if (!m_bRefreshPending[row])
            continue;
        m_bRefreshPending[row] = false;
        m_refreshRow(row);
    }
}
