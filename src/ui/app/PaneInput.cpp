// The pane input a file manager user reaches for: right-click menus on the
// lists and trees, Enter or a double click to play a recording, Select All,
// Refresh, the mark on the pane that has the focus, and the lists following
// their folders on disk. Every menu entry runs a command of the frame under
// its own id, so the menus, keys and toolbar share one handler and one
// enable rule.
#include "common/list_text.h"
#include "common/text.h"
#include "platform/platform.h"
#include "ui/MessageBox.h"
#include "ui/app/MainFrame.h"
#include "ui/app/resource.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

void CMainFrame::BindPaneInput() {
    for (int row : {kTopRow, kBottomRow}) {
        CFileView* list = Row(row).fileView;
        CFolderTreeCtrl* tree = &Row(row).folderView->m_wndTree;
        list->m_wndList.Bind(wxEVT_CONTEXT_MENU,
                             [this, row](wxContextMenuEvent&) { PopupPaneMenu(row, true); });
        tree->Bind(wxEVT_CONTEXT_MENU,
                   [this, row](wxContextMenuEvent&) { PopupPaneMenu(row, false); });
        // Enter or a double click: a recording plays, an .mp3 goes to the
        // player as it is, anything else stays.
        list->m_wndList.Bind(wxEVT_LIST_ITEM_ACTIVATED, [this, list](wxListEvent& event) {
            const long item = event.GetIndex();
            const std::u16string name = list->RealFileName(item);
            if (dz::HasExtension(name, u".mp3") && !list->GetFolder().empty()) {
                OpenInPlayer(dz::platform::JoinPath(list->GetFolder(), name));
                return;
            }
            if (!dz::IsPartFileName(name))
                return;
            wxCommandEvent play(wxEVT_MENU, dz::ID_PLAY);
            ProcessWindowEvent(play);
        });
        // A right click on a row that is not selected selects it alone first,
        // so the menu acts on what was clicked.
        list->m_wndList.Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, [list](wxListEvent& event) {
            const long item = event.GetIndex();
            if (item >= 0 && !list->m_wndList.GetItemState(item, wxLIST_STATE_SELECTED)) {
                for (long i = 0; i < list->m_wndList.GetItemCount(); ++i)
                    list->m_wndList.SetItemState(i, 0, wxLIST_STATE_SELECTED);
                list->m_wndList.SetItemState(item, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
            }
            event.Skip();
        });
        tree->Bind(wxEVT_TREE_ITEM_RIGHT_CLICK, [tree](wxTreeEvent& event) {
            if (event.GetItem().IsOk())
                tree->SelectItem(event.GetItem());
            event.Skip();
        });
    }
    Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
        MarkFocusedPane();
        UpdateStatusBar();
        event.Skip();
    });
}

void CMainFrame::PopupPaneMenu(int row, bool list, const wxPoint& at) {
    const FocusedPane pane = PaneAt({row, list});
    // The commands read the focus to know their pane; while the menu is open
    // the toolkit may hold the focus elsewhere, so the pane is kept here.
    PaneControl(pane)->SetFocus();
    const std::unique_ptr<wxMenu> menu = MakePaneMenu(pane);
    m_contextPane = pane;
    PopupMenu(menu.get(), at);
    m_contextPane = FocusedPane::None;
}

void CMainFrame::MarkFocusedPane() {
    if (!m_bCreated)
        return;
    // When the focus went elsewhere the last pane stays marked.
    wxWindow* focused = PaneControl(GetFocusedPane());
    if (!focused || focused == m_pMarkedPane)
        return;
    m_pMarkedPane = focused;
    // Two-pane managers mark the side the keys act on.
    // The active pane keeps the window colour inside a frame of the
    // selection colour; the others are shaded, their frames plain.
    const wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX);
    const wxColour shaded = window.ChangeLightness(93);
    const wxColour mark = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    const wxColour plain = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    for (FocusedPane pane : kPaneOrder) {
        wxWindow* control = PaneControl(pane);
        control->SetBackgroundColour(control == focused ? window : shaded);
        control->GetParent()->SetBackgroundColour(control == focused ? mark : plain);
        control->GetParent()->Refresh();
    }
}

void CMainFrame::UpdateStatusBar() {
    wxStatusBar* bar = GetStatusBar();
    if (!m_bCreated || !bar)
        return;
    // The focused pane's row; when the focus is elsewhere, the row last shown.
    StatusShown now;
    const std::optional<PanePlace> place = PlaceOf(GetFocusedPane());
    now.row = place ? place->row : m_statusShown.row;
    if (now.row < 0)
        return;
    const CFileView& list = *Row(now.row).fileView;
    now.folder = list.GetFolder();
    now.selected = list.m_wndList.GetSelectedItemCount();
    now.rows = list.m_wndList.GetItemCount();
    now.bytes = list.SelectedBytes();
    if (now == m_statusShown)
        return;
    m_statusShown = now;
    bar->SetStatusText(ToWx(dz::SelectionStatusText(static_cast<int32_t>(now.selected),
                                                    static_cast<int32_t>(now.rows), now.bytes)),
                       0);
    const std::optional<uint64_t> free =
        now.folder.empty() ? std::nullopt : dz::platform::FreeSpace(now.folder);
    bar->SetStatusText(ToWx(dz::FreeStatusText(free ? &*free : nullptr)), 1);
}

std::u16string CMainFrame::GetStatusText(int field) const {
    const wxStatusBar* bar = GetStatusBar();
    return bar ? FromWx(bar->GetStatusText(field)) : std::u16string();
}

void CMainFrame::OpenInPlayer(const std::u16string& path) {
    // The player Play hands its result to: the user's choice, else the
    // desktop's default program for the file.
    const wxString opener = GetPlayOpener();
    if (opener.empty()) {
        if (!wxLaunchDefaultApplication(ToWx(path)))
            ShowAppMessage(u"Could not open " + path, this);
        return;
    }
    dz::desktop::ProcessInfo opened;
    if (!dz::desktop::StartProgram(FromWx(opener), {dz::ToUtf8(path)}, opened))
        ShowAppMessage(u"Could not start " + FromWx(opener) + u" for " + path, this);
}

void CMainFrame::OnRefresh(wxCommandEvent&) {
    if (!m_bCreated)
        return;
    for (int row : {kTopRow, kBottomRow}) {
        CFolderView& folderView = *Row(row).folderView;
        // Reopening the selected folder's way reads each level afresh.
        const std::u16string path = folderView.m_strPath;
        if (!path.empty() && !folderView.m_wndTree.SelectPath(path)) {
            // The shown folder has gone: the tree is read afresh, so that
            // no folder removed meanwhile stays in it.
            folderView.m_wndTree.Rebuild();
            folderView.m_strPath.clear();
            Row(row).fileView->ShowFolder({});
            continue;
        }
        Row(row).fileView->RefreshFolder();
        folderView.m_wndTree.UpdateDriveLabels();
    }
    WatchShownFolders();
}

void CMainFrame::OnSelectAll(wxCommandEvent&) {
    // Ctrl+A in a path field selects its text, as in any text box.
    if (auto* field = dynamic_cast<wxTextCtrl*>(FindFocus())) {
        field->SelectAll();
        return;
    }
    if (const std::optional<int> row = FocusedListRow())
        Row(*row).fileView->SelectAll();
}

void CMainFrame::WatchShownFolders() {
    if (m_bCreated)
        m_folderWatch.Watch(
            {m_rows[kTopRow].fileView->GetFolder(), m_rows[kBottomRow].fileView->GetFolder()});
}

void CMainFrame::RefreshChangedRow(int row) {
    CFileView& list = *m_rows[row].fileView;
    list.RefreshFolder();
    // A subfolder made or removed shows in the tree when its parent is open.
    CFolderTreeCtrl& tree = m_rows[row].folderView->m_wndTree;
    const wxTreeItemId selected = tree.GetSelection();
    if (selected.IsOk() && tree.IsExpanded(selected) &&
        tree.GetItemPath(selected) == list.GetFolder()) {
        tree.Freeze();
        tree.ExpandItem(selected);
        tree.Thaw();
    }
}
