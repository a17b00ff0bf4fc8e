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
#include <wx/fswatcher.h>
#include <wx/gdicmn.h>
#include <wx/menu.h>

#include <string>
#include <vector>

namespace {

bool Holds(const wxWindow& control, const wxWindow* focus) {
    // A list's focus sits on its inner row window, so look up the parents.
    for (const wxWindow* w = focus; w && !w->IsTopLevel(); w = w->GetParent()) {
        if (w == &control)
            return true;
    }
    return false;
}

wxString MenuText(int id) {
    const CommandText* text = FindCommandText(id);
    return text ? wxString(text->menu) : wxString();
}

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
    Bind(wxEVT_FSWATCHER, &CMainFrame::OnFileSystemChange, this);
    m_refreshTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { RefreshChangedFolders(); });
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
    auto* file = new wxMenu;
    file->Append(dz::ID_NEW_FOLDER, MenuText(dz::ID_NEW_FOLDER));
    file->AppendSeparator();
    file->Append(dz::ID_COPY_TOP_TO_BOTTOM, MenuText(dz::ID_COPY_TOP_TO_BOTTOM));
    file->Append(dz::ID_COPY_BOTTOM_TO_TOP, MenuText(dz::ID_COPY_BOTTOM_TO_TOP));
    file->AppendSeparator();
    file->Append(dz::ID_MOVE_TOP_TO_BOTTOM, MenuText(dz::ID_MOVE_TOP_TO_BOTTOM));
    file->Append(dz::ID_MOVE_BOTTOM_TO_TOP, MenuText(dz::ID_MOVE_BOTTOM_TO_TOP));
    file->AppendSeparator();
    file->Append(dz::ID_DELETE_FILES, MenuText(dz::ID_DELETE_FILES));
    file->AppendSeparator();
    file->Append(dz::ID_PLAY, MenuText(dz::ID_PLAY));
    file->AppendSeparator();
    file->Append(dz::ID_APP_EXIT, MenuText(dz::ID_APP_EXIT));

    auto* tool = new wxMenu;
    tool->Append(dz::ID_CONVERT_TO_AVI, MenuText(dz::ID_CONVERT_TO_AVI));
    tool->Append(dz::ID_CONVERT_TO_MP3, MenuText(dz::ID_CONVERT_TO_MP3));

    auto* view = new wxMenu;
    view->AppendCheckItem(dz::ID_VIEW_TOOLBAR, MenuText(dz::ID_VIEW_TOOLBAR));
    view->AppendSeparator();
    view->Append(dz::ID_SELECT_ALL, MenuText(dz::ID_SELECT_ALL));
    view->Append(dz::ID_VIEW_REFRESH, MenuText(dz::ID_VIEW_REFRESH));
    view->AppendSeparator();
    view->Append(dz::ID_NEXT_PANE, MenuText(dz::ID_NEXT_PANE));
    view->Append(dz::ID_PREV_PANE, MenuText(dz::ID_PREV_PANE));

    auto* options = new wxMenu;
    options->AppendCheckItem(dz::ID_ASK_BEFORE_DELETE, MenuText(dz::ID_ASK_BEFORE_DELETE));

    auto* help = new wxMenu;
    help->Append(dz::ID_APP_ABOUT, MenuText(dz::ID_APP_ABOUT));

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(tool, "&Tool");
    bar->Append(view, "&View");
    bar->Append(options, "&Options");
    bar->Append(help, "&Help");
    SetMenuBar(bar);

    // New, Open and Save are the framework's; undo, cut, copy and paste are
    // bound so that their keys are taken, and nothing handles them. Delete,
    // F7, Ctrl+A and F5 are the keys two-pane file managers use.
    // clang-format off
    wxAcceleratorEntry keys[] = {
        {wxACCEL_CTRL, 'N', wxID_NEW},           {wxACCEL_CTRL, 'O', wxID_OPEN},
        {wxACCEL_CTRL, 'S', wxID_SAVE},          {wxACCEL_CTRL, 'Z', wxID_UNDO},
        {wxACCEL_ALT, WXK_BACK, wxID_UNDO},      {wxACCEL_CTRL, 'X', wxID_CUT},
        {wxACCEL_SHIFT, WXK_DELETE, wxID_CUT},   {wxACCEL_CTRL, 'C', wxID_COPY},
        {wxACCEL_CTRL, WXK_INSERT, wxID_COPY},   {wxACCEL_CTRL, 'V', wxID_PASTE},
        {wxACCEL_SHIFT, WXK_INSERT, wxID_PASTE}, {wxACCEL_NORMAL, WXK_F6, dz::ID_NEXT_PANE},
        {wxACCEL_SHIFT, WXK_F6, dz::ID_PREV_PANE},   {wxACCEL_NORMAL, WXK_DELETE, dz::ID_DELETE_FILES},
        {wxACCEL_NORMAL, WXK_F7, dz::ID_NEW_FOLDER}, {wxACCEL_CTRL, 'A', dz::ID_SELECT_ALL},
        {wxACCEL_NORMAL, WXK_F5, dz::ID_VIEW_REFRESH},
    };
    // clang-format on
#ifdef __WXMSW__
    // Windows swallows a key whose command is greyed out in the menu, so F7
    // with a list focused did nothing at all. These keys get commands of
    // their own, outside the menu, that hand on to the menu's command, which
    // says why it cannot run.
    for (wxAcceleratorEntry& key : keys) {
        const int command = key.GetCommand();
        if (command != dz::ID_NEW_FOLDER && command != dz::ID_DELETE_FILES)
            continue;
        const int keyCommand = wxWindow::NewControlId();
        key.Set(key.GetFlags(), key.GetKeyCode(), keyCommand);
        Bind(
            wxEVT_MENU,
            [this, command](wxCommandEvent&) {
                wxCommandEvent forwarded(wxEVT_MENU, command);
                forwarded.SetEventObject(this);
                ProcessWindowEvent(forwarded);
            },
            keyCommand);
    }
#endif
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(keys)), keys));
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
        auto* folderView = new CFolderView;
        if (!folderView->Create(m_pSplitter, wxID_ANY, treeSize))
            return false;
        m_pSplitter->SetPane(row, 0, folderView);
        auto* fileView = new CFileView;
        if (!fileView->Create(m_pSplitter, wxID_ANY, listSize))
            return false;
        m_pSplitter->SetPane(row, 1, fileView);
    }
    m_pSplitter->RecalcLayout();

    m_pTopFolderView = static_cast<CFolderView*>(m_pSplitter->GetPane(0, 0));
    m_pTopFileView = static_cast<CFileView*>(m_pSplitter->GetPane(0, 1));
    m_pBottomFolderView = static_cast<CFolderView*>(m_pSplitter->GetPane(1, 0));
    m_pBottomFileView = static_cast<CFileView*>(m_pSplitter->GetPane(1, 1));
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
    m_pWatcher.reset();
#ifdef __WXMSW__
    m_folderWatcher.Stop();
#endif
    m_mountWatcher.Stop();
    // The MP3 program is left running, only out of the way.
    if (const dz::desktop::WindowId vivozir =
            dz::desktop::FindTopLevelWindow(dz::msg::kVivozirTitle))
        dz::desktop::IconifyWindow(vivozir);
}

void CMainFrame::InitialUpdatePanes() {
    if (!m_bCreated)
        return;
    m_pTopFolderView->OnInitialUpdate();
    m_pTopFileView->OnInitialUpdate();
    m_pBottomFolderView->OnInitialUpdate();
    m_pBottomFileView->OnInitialUpdate();
}

PaneRow CMainFrame::Row(int row) const {
    if (row == kTopRow)
        return {m_pTopFolderView, m_pTopFileView};
    return {m_pBottomFolderView, m_pBottomFileView};
}

std::optional<int> CMainFrame::FocusedListRow() const {
    switch (GetFocusedPane()) {
    case FocusedPane::TopList:
        return kTopRow;
    case FocusedPane::BottomList:
        return kBottomRow;
    default:
        return std::nullopt;
    }
}

std::optional<int> CMainFrame::FocusedTreeRow() const {
    switch (GetFocusedPane()) {
    case FocusedPane::TopTree:
        return kTopRow;
    case FocusedPane::BottomTree:
        return kBottomRow;
    default:
        return std::nullopt;
    }
}

FocusedPane CMainFrame::GetFocusedPane() const {
    if (m_contextPane != FocusedPane::None)
        return m_contextPane;
    const wxWindow* focus = wxWindow::FindFocus();
    if (!focus || !m_bCreated)
        return FocusedPane::None;
    if (Holds(m_pTopFolderView->m_wndTree, focus))
        return FocusedPane::TopTree;
    if (Holds(m_pTopFileView->m_wndList, focus))
        return FocusedPane::TopList;
    if (Holds(m_pBottomFolderView->m_wndTree, focus))
        return FocusedPane::BottomTree;
    if (Holds(m_pBottomFileView->m_wndList, focus))
        return FocusedPane::BottomList;
    return FocusedPane::None;
}

PaneState CMainFrame::GetPaneState() const {
    PaneState state;
    if (!m_bCreated)
        return state;
    state.topPath = m_pTopFolderView->m_strPath;
    state.bottomPath = m_pBottomFolderView->m_strPath;
    state.topSelection = m_pTopFileView->HasSelection();
    state.bottomSelection = m_pBottomFileView->HasSelection();
    state.focus = GetFocusedPane();
    return state;
}

void CMainFrame::UpdateByRule(wxUpdateUIEvent& event) {
    event.Enable(dz::rules::IsCommandEnabled(event.GetId(), GetPaneState()));
}

void CMainFrame::OnUpdateNewFolder(wxUpdateUIEvent& event) {
    UpdateByRule(event);
}
void CMainFrame::OnUpdateCopyTopToBottom(wxUpdateUIEvent& event) {
    UpdateByRule(event);
}
void CMainFrame::OnUpdateCopyBottomToTop(wxUpdateUIEvent& event) {
    UpdateByRule(event);
}
void CMainFrame::OnUpdateMoveTopToBottom(wxUpdateUIEvent& event) {
    UpdateByRule(event);
}
void CMainFrame::OnUpdateMoveBottomToTop(wxUpdateUIEvent& event) {
    UpdateByRule(event);
}
void CMainFrame::OnUpdateDeleteFiles(wxUpdateUIEvent& event) {
    UpdateByRule(event);
}
void CMainFrame::OnUpdateConvertToAvi(wxUpdateUIEvent& event) {
    event.Enable(true);
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
    wxWindow* const controls[] = {&m_pTopFolderView->m_wndTree, &m_pTopFileView->m_wndList,
                                  &m_pBottomFolderView->m_wndTree, &m_pBottomFileView->m_wndList};
    constexpr int count = static_cast<int>(std::size(controls));
    const wxWindow* focus = wxWindow::FindFocus();
    int current = -1;
    for (int i = 0; i < count; ++i) {
        if (Holds(*controls[i], focus))
            current = i;
    }
    // Without an active pane, F6 starts at the first and Shift+F6 at the last.
    const int next = current < 0 ? (step > 0 ? 0 : count - 1) : (current + step + count) % count;
    controls[next]->SetFocus();
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
    const std::u16string saved[] = {m_pTopFolderView->m_strPath, m_pBottomFolderView->m_strPath};
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
    EVT_MENU(dz::ID_NEW_FOLDER, CMainFrame::OnNewFolder)
    EVT_MENU(dz::ID_COPY_TOP_TO_BOTTOM, CMainFrame::OnCopyTopToBottom)
    EVT_MENU(dz::ID_COPY_BOTTOM_TO_TOP, CMainFrame::OnCopyBottomToTop)
    EVT_MENU(dz::ID_MOVE_TOP_TO_BOTTOM, CMainFrame::OnMoveTopToBottom)
    EVT_MENU(dz::ID_MOVE_BOTTOM_TO_TOP, CMainFrame::OnMoveBottomToTop)
    EVT_MENU(dz::ID_DELETE_FILES, CMainFrame::OnDeleteFiles)
    EVT_MENU(dz::ID_CONVERT_TO_AVI, CMainFrame::OnConvertToAvi)
    EVT_MENU(dz::ID_CONVERT_TO_MP3, CMainFrame::OnConvertToMp3)
    EVT_MENU(dz::ID_VIEW_TOOLBAR, CMainFrame::OnViewToolbar)
    EVT_MENU(dz::ID_APP_EXIT, CMainFrame::OnAppExit)
    EVT_MENU(dz::ID_NEXT_PANE, CMainFrame::OnNextPane)
    EVT_MENU(dz::ID_PREV_PANE, CMainFrame::OnPrevPane)
    EVT_MENU(dz::ID_VIEW_REFRESH, CMainFrame::OnRefresh)
    EVT_MENU(dz::ID_SELECT_ALL, CMainFrame::OnSelectAll)
    EVT_MENU(dz::ID_PLAY, CMainFrame::OnPlay)
    EVT_MENU(dz::ID_ASK_BEFORE_DELETE, CMainFrame::OnAskBeforeDelete)
    EVT_UPDATE_UI(dz::ID_NEW_FOLDER, CMainFrame::OnUpdateNewFolder)
    EVT_UPDATE_UI(dz::ID_COPY_TOP_TO_BOTTOM, CMainFrame::OnUpdateCopyTopToBottom)
    EVT_UPDATE_UI(dz::ID_COPY_BOTTOM_TO_TOP, CMainFrame::OnUpdateCopyBottomToTop)
    EVT_UPDATE_UI(dz::ID_MOVE_TOP_TO_BOTTOM, CMainFrame::OnUpdateMoveTopToBottom)
    EVT_UPDATE_UI(dz::ID_MOVE_BOTTOM_TO_TOP, CMainFrame::OnUpdateMoveBottomToTop)
    EVT_UPDATE_UI(dz::ID_DELETE_FILES, CMainFrame::OnUpdateDeleteFiles)
    EVT_UPDATE_UI(dz::ID_CONVERT_TO_AVI, CMainFrame::OnUpdateConvertToAvi)
    EVT_UPDATE_UI(dz::ID_VIEW_TOOLBAR, CMainFrame::OnUpdateViewToolbar)
    EVT_UPDATE_UI(dz::ID_SELECT_ALL, CMainFrame::OnUpdateSelectAll)
    EVT_UPDATE_UI(dz::ID_PLAY, CMainFrame::OnUpdatePlay)
    EVT_UPDATE_UI(dz::ID_ASK_BEFORE_DELETE, CMainFrame::OnUpdateAskBeforeDelete)
    EVT_COMMAND(wxID_ANY, EVT_FOLDER_SELECTED, CMainFrame::OnFolderSelected)
wxEND_EVENT_TABLE()
    // clang-format on
