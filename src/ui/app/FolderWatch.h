#pragma once
// Follows the folders the two rows' lists show, through the desktop's
// file-change notifications (on Windows polling a folder the system will not
// watch), and says once a burst of changes is over which rows to read again.
#include "platform/desktop.h"

#include <wx/event.h>
#include <wx/fswatcher.h>
#include <wx/timer.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CFolderWatch : public wxEvtHandler {
public:
    // refreshRow(row) runs on the window's thread for each row whose folder
    // changed, once the changes have settled.
    explicit CFolderWatch(std::function<void(int row)> refreshRow);
    ~CFolderWatch() override;
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    // Replaces what is watched with the rows' folders (empty: none). The
    // first call needs the running event loop.
    void Watch(const std::array<std::u16string, 2>& rowFolders);
    void Stop();

private:
    void OnFileSystemChange(wxFileSystemWatcherEvent& event);
    // A watched folder changed on disk: its rows are read again soon.
    void FolderChanged(const std::u16string& folder);
    void RefreshChangedRows();

    std::function<void(int row)> m_refreshRow;
    std::unique_ptr<wxFileSystemWatcher> m_pWatcher;
#ifdef __WXMSW__
    dz::desktop::FolderWatcher m_folderWatcher;
#endif
    // A folder the watcher follows, and the rows that show it (perhaps by
    // another path).
    struct WatchedFolder {
        std::u16string path;
        bool rows[2];
    };
    std::vector<WatchedFolder> m_watched;
    static constexpr int kRefreshDelayMs = 150;
    wxTimer m_refreshTimer;
    bool m_bRefreshPending[2] = {false, false};
    bool m_bStopped = false;
};
