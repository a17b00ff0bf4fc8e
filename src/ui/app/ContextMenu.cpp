// The pane input a file manager user reaches for: right-click menus on the
// lists and trees, Enter or a double click to play a recording, Select All,
// Refresh, and the mark on the pane that has the focus. Every entry runs a
// command of the frame under its own id, so the menus, keys and toolbar
// share one handler and one enable rule.
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
#include <wx/utils.h>

namespace {

wxString MenuText(int id) {
    const CommandText* text = FindCommandText(id);
    return text ? wxString(text->menu) : wxString();
}

} // namespace

std::unique_ptr<wxMenu> CMainFrame::MakeContextMenu(FocusedPane pane) {
    auto menu = std::make_unique<wxMenu>();
    const bool top = pane == FocusedPane::TopList || pane == FocusedPane::TopTree;
    if (pane == FocusedPane::TopList || pane == FocusedPane::BottomList) {
        menu->Append(dz::ID_PLAY, MenuText(dz::ID_PLAY));
        menu->AppendSeparator();
        menu->Append(top ? dz::ID_COPY_TOP_TO_BOTTOM : dz::ID_COPY_BOTTOM_TO_TOP,
                     MenuText(top ? dz::ID_COPY_TOP_TO_BOTTOM : dz::ID_COPY_BOTTOM_TO_TOP));
        menu->Append(top ? dz::ID_MOVE_TOP_TO_BOTTOM : dz::ID_MOVE_BOTTOM_TO_TOP,
                     MenuText(top ? dz::ID_MOVE_TOP_TO_BOTTOM : dz::ID_MOVE_BOTTOM_TO_TOP));
        menu->Append(dz::ID_DELETE_FILES, MenuText(dz::ID_DELETE_FILES));
        menu->AppendSeparator();
        menu->Append(dz::ID_SELECT_ALL, MenuText(dz::ID_SELECT_ALL));
    } else if (pane != FocusedPane::None) {
        menu->Append(dz::ID_NEW_FOLDER, MenuText(dz::ID_NEW_FOLDER));
        menu->AppendSeparator();
    }
    menu->Append(dz::ID_VIEW_REFRESH, MenuText(dz::ID_VIEW_REFRESH));
    return menu;
}

void CMainFrame::BindPaneInput() {
    for (int row : {kTopRow, kBottomRow}) {
        CFileView* list = Row(row).fileView;
        CFolderTreeCtrl* tree = &Row(row).folderView->m_wndTree;
        list->m_wndList.Bind(wxEVT_CONTEXT_MENU, [this, row](wxContextMenuEvent& event) {
            OnPaneContextMenu(row, true, event);
        });
        tree->Bind(wxEVT_CONTEXT_MENU, [this, row](wxContextMenuEvent& event) {
            OnPaneContextMenu(row, false, event);
        });
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
        event.Skip();
    });
}

void CMainFrame::OnPaneContextMenu(int row, bool list, wxContextMenuEvent&) {
    PopupPaneMenu(row, list);
}

void CMainFrame::PopupPaneMenu(int row, bool list, const wxPoint& at) {
    wxWindow* control = list ? static_cast<wxWindow*>(&Row(row).fileView->m_wndList)
                             : static_cast<wxWindow*>(&Row(row).folderView->m_wndTree);
    // The commands read the focus to know their pane; while the menu is open
    // the toolkit may hold the focus elsewhere, so the pane is kept here.
    control->SetFocus();
    const FocusedPane pane = row == kTopRow
                                 ? (list ? FocusedPane::TopList : FocusedPane::TopTree)
                                 : (list ? FocusedPane::BottomList : FocusedPane::BottomTree);
    const std::unique_ptr<wxMenu> menu = MakeContextMenu(pane);
    m_contextPane = pane;
    PopupMenu(menu.get(), at);
    m_contextPane = FocusedPane::None;
}

void CMainFrame::MarkFocusedPane() {
    if (!m_bCreated)
        return;
    wxWindow* controls[] = {&m_pTopFolderView->m_wndTree, &m_pTopFileView->m_wndList,
                            &m_pBottomFolderView->m_wndTree, &m_pBottomFileView->m_wndList};
    wxWindow* focused = nullptr;
    switch (GetFocusedPane()) {
    case FocusedPane::TopTree:
        focused = controls[0];
        break;
    case FocusedPane::TopList:
        focused = controls[1];
        break;
    case FocusedPane::BottomTree:
        focused = controls[2];
        break;
    case FocusedPane::BottomList:
        focused = controls[3];
        break;
    default:
        return; // the focus went elsewhere: the last pane stays marked
    }
    if (focused == m_pMarkedPane)
        return;
    m_pMarkedPane = focused;
    // Two-pane managers mark the side the keys act on.
    // The active pane keeps the window colour inside a frame of the
    // selection colour; the others are shaded, their frames plain.
    const wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX);
    const wxColour shaded = window.ChangeLightness(93);
    const wxColour mark = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    const wxColour plain = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    for (wxWindow* control : controls) {
        control->SetBackgroundColour(control == focused ? window : shaded);
        control->GetParent()->SetBackgroundColour(control == focused ? mark : plain);
        control->GetParent()->Refresh();
    }
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

wxWindow* CMainFrame::GetMarkedPane() const {
    return m_pMarkedPane;
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
    if (const std::optional<int> row = FocusedListRow())
        Row(*row).fileView->SelectAll();
}

void CMainFrame::OnUpdateSelectAll(wxUpdateUIEvent& event) {
    UpdateByRule(event);
}

void CMainFrame::OnUpdatePlay(wxUpdateUIEvent& event) {
    UpdateByRule(event);
}
