#include "ui/app/MainFrame.h"

#include "common/messages.h"
#include "platform/platform.h"
#include "ui/MessageBox.h"
#include "ui/app/DezadideDoc.h"
#include "ui/app/ImageToolBar.h"
#include "ui/app/PaneSplitter.h"
#include "ui/app/Resources.h"
#include "ui/app/resource.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <wx/accel.h>
#include <wx/app.h>
#include <wx/gdicmn.h>
#include <wx/menu.h>
#include <wx/textctrl.h>

#include <string>
#include <vector>

#ifdef __WXGTK3__
#include <gtk/gtk.h>
#endif

namespace {

bool Holds(const wxWindow& control, const wxWindow* focus) {
    // A list's focus sits on its inner row window, so look up the parents.
    for (const wxWindow* w = focus; w && !w->IsTopLevel(); w = w->GetParent()) {
        if (w == &control)
            return true;
    }
    return false;
}

// Keys of the framework's own commands: New, Open and Save are the
// document manager's; undo, cut, copy and paste are taken so that nothing
// else gets them, and nothing handles them.
constexpr struct {
    int flags;
    int code;
    int id;
} kFrameworkKeys[] = {
    {wxACCEL_CTRL, 'N', wxID_NEW},           {wxACCEL_CTRL, 'O', wxID_OPEN},
    {wxACCEL_CTRL, 'S', wxID_SAVE},          {wxACCEL_CTRL, 'Z', wxID_UNDO},
    {wxACCEL_ALT, WXK_BACK, wxID_UNDO},      {wxACCEL_CTRL, 'X', wxID_CUT},
    {wxACCEL_SHIFT, WXK_DELETE, wxID_CUT},   {wxACCEL_CTRL, 'C', wxID_COPY},
    {wxACCEL_CTRL, WXK_INSERT, wxID_COPY},   {wxACCEL_CTRL, 'V', wxID_PASTE},
    {wxACCEL_SHIFT, WXK_INSERT, wxID_PASTE},
};

// This program's own command line, handed on to the MP3 program.
std::vector<std::string> OwnArguments() {
    std::vector<std::string> args;
    if (!wxTheApp)
        return args;
    for (int i = 0; i < wxTheApp->argc; ++i)
        args.push_back(std::string(wxTheApp->argv[i].utf8_str()));
    return args;
}

} // namespace

CMainFrame::CMainFrame(CDocManager* manager, const wxSize& clientSize)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, ToWx(dz::msg::kAppTitle)),
      m_pDocManager(manager) {
    const wxIconBundle icons = LoadIconResource(IDR_MAINFRAME);
    if (!icons.IsEmpty())
        SetIcons(icons);
    CreateMenus();
    // The status bar before the size: the client area it is given lies
    // above the bar, so the panes split from all of it.
    CreateStatusBar(2);
    const int widths[] = {-1, 160};
    SetStatusWidths(2, widths);
    SetStatusBarPane(-1); // the menus' help texts would overwrite the selection
    // The toolkit's default frame is too small for four panes; three
    // quarters of the screen is what a desktop gives a new main window.
    if (clientSize.IsFullySpecified())
        SetClientSize(clientSize);
    else
        SetSize(wxGetDisplaySize() * 3 / 4);
    // The panes first, then the toolbar, so that the split is taken from the
    // client area without it.
    if (!OnCreateClient() || !CreateMainToolBar())
        return;
    // The rows keep the first split's heights in the area the toolbar left
    // them, and their proportions from there whenever the window changes.
    m_pSplitter->SetRowHeight(
        dz::rules::ComputeInitialSplit(m_creationClientSize.x, m_creationClientSize.y).rowHeight,
        GetClientSize().y);
    m_pDocManager->SetNewDocumentHandler([this] { InitialUpdatePanes(); });
    m_mountWatcher.Start([this] { CallAfter([this] { OnDeviceChange(); }); });
    m_drives = dz::platform::DriveRoots();
    BindPaneInput();
    SetUpDragAndDrop();
    m_normalRect = GetRect();
    Bind(wxEVT_SIZE, &CMainFrame::OnFrameSize, this);
    Bind(wxEVT_MOVE, [this](wxMoveEvent& event) {
        event.Skip();
        if (m_pendingPlace && IsShown() && !IsMaximized() && !IsIconized()) {
            // The first place the window is shown at: the remembered one, or
            // it is asked for once more (a placed window is moved as asked).
            const wxPoint wanted = *m_pendingPlace;
            m_pendingPlace.reset();
            if (GetPosition() != wanted) {
                CallAfter([this, wanted] { Move(wanted); });
                return;
            }
        }
        if (!IsMaximized() && !IsIconized())
            m_normalRect = GetRect();
    });
    m_bCreated = true;
}

void CMainFrame::OnFrameSize(wxSizeEvent& event) {
    // The lists scale their columns and the splitter its rows by themselves.
    event.Skip();
    if (!IsMaximized() && !IsIconized())
        m_normalRect = GetRect();
}

CMainFrame::~CMainFrame() {
    if (m_pDocManager)
        m_pDocManager->SetNewDocumentHandler(nullptr);
    OnDestroy();
}

void CMainFrame::CreateMenus() {
    SetMenuBar(MakeMenuBar());
    std::vector<wxAcceleratorEntry> keys;
    for (const auto& key : kFrameworkKeys)
        keys.emplace_back(key.flags, key.code, key.id);
    for (const CommandRow& command : CommandTable()) {
        if (command.key.code == 0)
            continue;
        int id = command.id;
#ifdef __WXMSW__
        // Windows swallows a key whose command is greyed out in the menu;
        // such a key gets a command of its own, outside the menu, that hands
        // on to the menu's command, which says why it cannot run.
        if (command.keyWhenGreyed) {
            id = wxWindow::NewControlId();
            Bind(
                wxEVT_MENU,
                [this, target = command.id](wxCommandEvent&) {
                    wxCommandEvent forwarded(wxEVT_MENU, target);
                    forwarded.SetEventObject(this);
                    ProcessWindowEvent(forwarded);
                },
                id);
        }
#endif
        keys.emplace_back(command.key.flags, command.key.code, id);
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(keys.size()), keys.data()));
}

void CMainFrame::OnCommand(wxCommandEvent& event) {
    const CommandRow* command = FindCommand(event.GetId());
    if (!command || !command->handler) {
        event.Skip();
        return;
    }
    (this->*command->handler)(event);
}

void CMainFrame::OnUpdateCommand(wxUpdateUIEvent& event) {
    const CommandRow* command = FindCommand(event.GetId());
    if (!command || !command->update) {
        event.Skip();
        return;
    }
    (this->*command->update)(event);
}

bool CMainFrame::OnCreateClient() {
    m_creationClientSize = GetClientSize();
    const dz::rules::InitialSplit split =
        dz::rules::ComputeInitialSplit(m_creationClientSize.x, m_creationClientSize.y);

    m_pSplitter = new CPaneSplitter; // a child window: the frame owns it
    if (!m_pSplitter->Create(this, dz::AFX_IDW_PANE_FIRST))
        return false;
    m_pSplitter->SetSize(m_creationClientSize);
    m_pSplitter->SetColumnWidth(split.column0);
    m_pSplitter->SetRowHeight(split.rowHeight, m_creationClientSize.y);

    const wxSize treeSize(split.column0, split.rowHeight);
    const wxSize listSize(split.column1, split.rowHeight);
    for (int row : {kTopRow, kBottomRow}) {
        PaneRow& panes = m_rows[row];
        panes.folderView = new CFolderView;
        if (!panes.folderView->Create(m_pSplitter, wxID_ANY, treeSize))
            return false;
        m_pSplitter->SetPane(row, 0, panes.folderView);
        panes.fileView = new CFileView;
        if (!panes.fileView->Create(m_pSplitter, wxID_ANY, listSize))
            return false;
        m_pSplitter->SetPane(row, 1, panes.fileView);
        panes.fileView->OnPathTyped(
            [this, row](const std::u16string& path) { OpenTypedFolder(row, path); });
    }
    m_pSplitter->RecalcLayout();
    return true;
}

bool CMainFrame::CreateMainToolBar() {
    m_pToolBar = new CImageToolBar;
    if (!m_pToolBar->Create(this, dz::ID_VIEW_TOOLBAR, wxTB_FLAT | wxTB_HORIZONTAL | wxTB_TOP) ||
        !m_pToolBar->LoadToolBar(IDR_MAINFRAME))
        return false;
    // Without the 24-bit pictures the layout's own ones stay; nothing to say.
    m_pToolBar->LoadImageLists(kToolButtonWidth, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_HOT,
                               IDB_TOOLBAR_DISABLED);
    SetToolBar(m_pToolBar);
    m_pToolBar->Bind(wxEVT_TOOL_RCLICKED, &CMainFrame::OnToolBarContextMenu, this);
    return true;
}

bool CMainFrame::Show(bool show) {
    if (show && !IsShown() && m_pToolBar)
        HoldToolBarUntilSized();
    return wxDocParentFrame::Show(show);
}

#ifdef __WXGTK3__
void CMainFrame::HoldToolBarUntilSized() {
    if (m_toolBarHeld)
        return;
    m_toolBarHeld = true;
    gtk_widget_hide(m_pToolBar->GetHandle());
    if (wxMenuBar* menus = GetMenuBar())
        gtk_widget_hide(menus->GetHandle());
    g_signal_connect(GetHandle(), "size-allocate", G_CALLBACK(OnFrameAllocated), this);
}

void CMainFrame::OnFrameAllocated(void* widget, void* allocation, void* frame) {
    // Wider than the makeshift layout GTK makes before the real one.
    constexpr int kLaidOutWidth = 16;
    if (static_cast<GdkRectangle*>(allocation)->width <= kLaidOutWidth)
        return;
    g_signal_handlers_disconnect_by_func(widget, reinterpret_cast<gpointer>(OnFrameAllocated),
                                         frame);
    auto* self = static_cast<CMainFrame*>(frame);
    self->CallAfter([self] {
        if (!self->m_toolBarHeld || !self->m_pToolBar)
            return;
        self->m_toolBarHeld = false;
        gtk_widget_show(self->m_pToolBar->GetHandle());
        if (wxMenuBar* menus = self->GetMenuBar())
            gtk_widget_show(menus->GetHandle());
        // Setting it again makes the frame measure its client area anew.
        self->SetToolBar(self->m_pToolBar);
    });
}
#else
void CMainFrame::HoldToolBarUntilSized() {}
void CMainFrame::OnFrameAllocated(void*, void*, void*) {}
#endif

void CMainFrame::OnToolBarContextMenu(wxCommandEvent&) {
    static constexpr struct {
        long side;
        const char* text;
    } kSides[] = {{wxTB_TOP, "Dock at &Top"},
                  {wxTB_BOTTOM, "Dock at &Bottom"},
                  {wxTB_LEFT, "Dock at &Left"},
                  {wxTB_RIGHT, "Dock at &Right"}};
    wxMenu menu;
    for (const auto& side : kSides) {
        const int id = wxWindow::NewControlId();
        menu.AppendRadioItem(id, side.text)->Check(m_pToolBar->GetDirection() == side.side);
        menu.Bind(
            wxEVT_MENU, [this, side = side.side](wxCommandEvent&) { DockToolBar(side); }, id);
    }
    m_pToolBar->PopupMenu(&menu);
}

void CMainFrame::DockToolBar(long side) {
    if (!m_pToolBar)
        return;
    constexpr long kSideStyles = wxTB_HORIZONTAL | wxTB_VERTICAL | wxTB_BOTTOM | wxTB_RIGHT;
    // The frame places its toolbar when it is given one, so it is taken
    // back, turned and given again.
    SetToolBar(nullptr);
    m_pToolBar->SetWindowStyleFlag((m_pToolBar->GetWindowStyleFlag() & ~kSideStyles) | side);
    m_pToolBar->Realize();
    SetToolBar(m_pToolBar);
    SendSizeEvent();
}

void CMainFrame::OnDestroy() {
    SaveSettings();
    m_folderWatch.Stop();
    m_mountWatcher.Stop();
    // The MP3 program is left running, only out of the way.
    if (const dz::desktop::WindowId vivozir =
            dz::desktop::FindTopLevelWindow(dz::msg::kVivozirTitle))
        dz::desktop::IconifyWindow(vivozir);
}

void CMainFrame::InitialUpdatePanes() {
    if (!m_bCreated)
        return;
    for (const PaneRow& row : m_rows) {
        row.folderView->OnInitialUpdate();
        row.fileView->OnInitialUpdate();
    }
}

wxWindow* CMainFrame::PaneControl(FocusedPane pane) const {
    const std::optional<PanePlace> place = PlaceOf(pane);
    if (!place || !m_bCreated)
        return nullptr;
    const PaneRow& row = m_rows[place->row];
    return place->list ? static_cast<wxWindow*>(&row.fileView->m_wndList)
                       : static_cast<wxWindow*>(&row.folderView->m_wndTree);
}

FocusedPane CMainFrame::GetFocusedPane() const {
    if (m_contextPane != FocusedPane::None)
        return m_contextPane;
    const wxWindow* focus = wxWindow::FindFocus();
    if (!focus || !m_bCreated)
        return FocusedPane::None;
    for (FocusedPane pane : kPaneOrder) {
        if (Holds(*PaneControl(pane), focus))
            return pane;
    }
    return FocusedPane::None;
}

std::optional<int> CMainFrame::FocusedListRow() const {
    const std::optional<PanePlace> place = PlaceOf(GetFocusedPane());
    return place && place->list ? std::optional<int>(place->row) : std::nullopt;
}

std::optional<int> CMainFrame::FocusedTreeRow() const {
    const std::optional<PanePlace> place = PlaceOf(GetFocusedPane());
    return place && !place->list ? std::optional<int>(place->row) : std::nullopt;
}

PaneState CMainFrame::GetPaneState() const {
    PaneState state;
    if (!m_bCreated)
        return state;
    state.topPath = m_rows[kTopRow].folderView->m_strPath;
    state.bottomPath = m_rows[kBottomRow].folderView->m_strPath;
    state.topSelection = m_rows[kTopRow].fileView->HasSelection();
    state.bottomSelection = m_rows[kBottomRow].fileView->HasSelection();
    state.focus = GetFocusedPane();
    return state;
}

void CMainFrame::UpdateByRule(wxUpdateUIEvent& event) {
    event.Enable(dz::rules::IsCommandEnabled(event.GetId(), GetPaneState()));
}

void CMainFrame::OnUpdateSelectAll(wxUpdateUIEvent& event) {
    // A path field takes the key for its own text.
    event.Enable(dynamic_cast<wxTextCtrl*>(FindFocus()) != nullptr ||
                 dz::rules::IsCommandEnabled(event.GetId(), GetPaneState()));
}

void CMainFrame::OnUpdateViewToolbar(wxUpdateUIEvent& event) {
    event.Check(m_pToolBar && m_pToolBar->IsShown());
}

void CMainFrame::OnViewToolbar(wxCommandEvent&) {
    if (!m_pToolBar)
        return;
    m_pToolBar->Show(!m_pToolBar->IsShown());
    SendSizeEvent();
}

void CMainFrame::OnViewDetailsPane(wxCommandEvent&) {
    m_settings.detailsPane = !m_settings.detailsPane;
    for (const PaneRow& row : m_rows)
        row.fileView->ShowDetails(m_settings.detailsPane);
    SaveSettings();
}

void CMainFrame::OnUpdateViewDetailsPane(wxUpdateUIEvent& event) {
    event.Check(m_settings.detailsPane);
}

void CMainFrame::OnAskBeforeDelete(wxCommandEvent&) {
    m_settings.confirmDelete = !m_settings.confirmDelete;
    SaveSettings();
}

void CMainFrame::OnUpdateAskBeforeDelete(wxUpdateUIEvent& event) {
    event.Check(m_settings.confirmDelete);
}

void CMainFrame::OnAppExit(wxCommandEvent&) {
    Close();
}

void CMainFrame::ActivatePane(int step) {
    if (!m_bCreated)
        return;
    constexpr int count = static_cast<int>(std::size(kPaneOrder));
    const std::optional<PanePlace> place = PlaceOf(GetFocusedPane());
    const int current = place ? place->row * 2 + (place->list ? 1 : 0) : -1;
    // Without an active pane, F6 starts at the first and Shift+F6 at the last.
    const int next = current < 0 ? (step > 0 ? 0 : count - 1) : (current + step + count) % count;
    PaneControl(kPaneOrder[next])->SetFocus();
}

void CMainFrame::OnNextPane(wxCommandEvent&) {
    ActivatePane(+1);
}
void CMainFrame::OnPrevPane(wxCommandEvent&) {
    ActivatePane(-1);
}

void CMainFrame::OnFolderSelected(wxCommandEvent& event) {
    const CFolderView* view = FolderViewOf(event);
    for (int row : {kTopRow, kBottomRow}) {
        if (view == Row(row).folderView)
            Row(row).fileView->ShowFolder(Row(row).folderView->m_strPath);
    }
    WatchShownFolders();
}

void CMainFrame::OnDeviceChange() {
    if (!m_bCreated)
        return;
    // A mount elsewhere (a loop device, a network share outside the drive
    // folders) leaves the trees, their open folders and selections alone.
    std::vector<std::u16string> drives = dz::platform::DriveRoots();
    if (drives == m_drives)
        return;
    m_drives = std::move(drives);
    // Both paths first: rebuilding a tree may clear the path it held.
    const std::u16string saved[] = {m_rows[kTopRow].folderView->m_strPath,
                                    m_rows[kBottomRow].folderView->m_strPath};
    for (int row : {kTopRow, kBottomRow}) {
        CFolderTreeCtrl& tree = Row(row).folderView->m_wndTree;
        tree.Rebuild();
        if (tree.SelectPath(saved[row]) || saved[row].empty())
            continue;
        // The drive went away: nothing is listed and nothing acts on it.
        Row(row).folderView->m_strPath.clear();
        Row(row).fileView->ShowFolder({});
    }
    WatchShownFolders();
}

void CMainFrame::OnConvertToMp3(wxCommandEvent&) {
    if (const dz::desktop::WindowId running =
            dz::desktop::FindTopLevelWindow(dz::msg::kVivozirTitle)) {
        dz::desktop::ActivateWindow(running);
        return;
    }
    m_vivozirProcess = {};
    if (!dz::desktop::StartProgram(dz::msg::kVivozirProgram, OwnArguments(), m_vivozirProcess))
        ShowVivozirError(this);
}

// clang-format off
wxBEGIN_EVENT_TABLE(CMainFrame, wxDocParentFrame)
    EVT_MENU_RANGE(dz::kFirstCommandId, dz::kLastCommandId, CMainFrame::OnCommand)
    EVT_UPDATE_UI_RANGE(dz::kFirstCommandId, dz::kLastCommandId, CMainFrame::OnUpdateCommand)
    EVT_COMMAND(wxID_ANY, EVT_FOLDER_SELECTED, CMainFrame::OnFolderSelected)
wxEND_EVENT_TABLE()
    // clang-format on
