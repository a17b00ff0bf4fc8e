#pragma once
// The main window: four panes in two rows ("Top" and "Bottom"), each a
// folder tree beside a file list, under the toolbar; the hub every command
// starts from. It reads the panes, hands plain values to the code that does
// the work, and refreshes the lists afterwards.
#include "common/command_rules.h"
#include "common/user_settings.h"
#include "platform/desktop.h"
#include "ui/app/Commands.h"
#include "ui/app/FolderWatch.h"

#include <wx/docview.h>
#include <wx/icon.h>
#include <wx/treebase.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

// The window speaks of its panes in the enable rules' terms.
using dz::rules::FocusedPane;
using dz::rules::PaneState;

class CDocManager;
class CFileView;
class CFolderView;
class CImageToolBar;
class CPaneSplitter;

enum { kTopRow = 0, kBottomRow = 1 };

// One row of panes. The top and bottom rows behave alike, so commands are
// written once over a row and called with the rows in either order.
struct PaneRow {
    CFolderView* folderView = nullptr;
    CFileView* fileView = nullptr;
};

// Where a pane sits: its row, and whether it is the row's list or its tree.
struct PanePlace {
    int row = kTopRow;
    bool list = false;
};
// The four panes in the order F6 walks them: each row's tree, then its list.
inline constexpr FocusedPane kPaneOrder[] = {FocusedPane::TopTree, FocusedPane::TopList,
                                             FocusedPane::BottomTree, FocusedPane::BottomList};
constexpr FocusedPane PaneAt(PanePlace place) {
    return kPaneOrder[place.row * 2 + (place.list ? 1 : 0)];
}
// Nothing for FocusedPane::None.
constexpr std::optional<PanePlace> PlaceOf(FocusedPane pane) {
    for (int i = 0; i < 4; ++i) {
        if (kPaneOrder[i] == pane)
            return PanePlace{i / 2, i % 2 == 1};
    }
    return std::nullopt;
}

class CMainFrame : public wxDocParentFrame {
public:
    // clientSize, when given, is the client area the panes are first split
    // from; otherwise the platform's default size is used.
    explicit CMainFrame(CDocManager* manager, const wxSize& clientSize = wxDefaultSize);
    bool Show(bool show = true) override;
    ~CMainFrame() override;

    // False when the panes or the toolbar could not be made; the caller
    // then destroys the frame.
    bool IsCreated() const { return m_bCreated; }

    PaneRow Row(int row) const { return m_rows[row]; }
    // The control of a pane: a row's list or its tree; nullptr for None.
    wxWindow* PaneControl(FocusedPane pane) const;
    // The pane whose control has the keyboard focus, if any.
    FocusedPane GetFocusedPane() const;
    // The row (kTopRow or kBottomRow) whose file list / folder tree has the
    // keyboard focus; nothing when the focus is elsewhere.
    std::optional<int> FocusedListRow() const;
    std::optional<int> FocusedTreeRow() const;
    // What the enable rules look at, read from the panes now.
    PaneState GetPaneState() const;

    // The initial update of the panes, run whenever a document is started.
    void InitialUpdatePanes();

    CImageToolBar* GetImageToolBar() const { return m_pToolBar; }
    CPaneSplitter* GetSplitter() const { return m_pSplitter; }
    // The client size the panes were split from.
    wxSize GetCreationClientSize() const { return m_creationClientSize; }
    // Lets tests and users act as if a file system came or went.
    void SimulateDeviceChange() { m_mountWatcher.SimulateChange(); }
    const dz::desktop::ProcessInfo& GetVivozirProcess() const { return m_vivozirProcess; }

    // Copy (or move) the selected rows of one row's list into the other
    // row's folder, with every check and question of the toolbar's commands.
    void TransferRows(int fromRow, int toRow, bool move);
    // Drag and drop: what a drag from a row's list carries, and its drop on
    // toRow's list or on a folder of its tree. False when the drop is not
    // rows of the other row.
    static wxString RowDragText(int row);
    // The picture under the pointer while rows are dragged: what they are.
    static wxIcon MakeDragIcon(const wxString& what);
    bool DropRows(const wxString& dragText, int toRow, const wxTreeItemId& onFolder, bool move);
    // The row whose rows are being dragged now, if a drag from a list runs.
    std::optional<int> DragSourceRow() const { return m_dragSourceRow; }
    void SetDragSourceRow(std::optional<int> row) { m_dragSourceRow = row; }

    // Reads the remembered layout from file and applies it; from then on
    // the layout is written back there when the window closes.
    void RememberSettingsIn(const wxString& file);
    void SaveSettings();
    const dz::LayoutSettings& GetSettings() const { return m_settings; }

    // Opens a row's list or tree context menu at a point of the frame.
    void PopupPaneMenu(int row, bool list, const wxPoint& at = wxDefaultPosition);
    // Starts watching the folders the lists show and the trees hold open.
    void WatchShownFolders();
    // The folder of a Play run and the program that opens its result.
    wxString GetPlayOpener() const;
    // Hands a file to that program (an .mp3 on Enter), or says why not.
    void OpenInPlayer(const std::u16string& path);
    // The status bar's texts now: the selection, then the free space.
    std::u16string GetStatusText(int field) const;
    // The pane control shown as the active one.
    wxWindow* GetMarkedPane() const { return m_pMarkedPane; }
    // Puts the toolbar on a side of the frame: wxTB_TOP, wxTB_BOTTOM,
    // wxTB_LEFT or wxTB_RIGHT. The user picks it from the toolbar's own
    // context menu; the place is not kept for the next start.
    void DockToolBar(long side);

private:
    // The command table names the handlers and enable rules below.
    friend std::span<const CommandRow> CommandTable();

    // Commands of the menu, the keys and the toolbar, reached through the
    // table.
    void OnCommand(wxCommandEvent& event);
    void OnUpdateCommand(wxUpdateUIEvent& event);
    void OnNewFolder(wxCommandEvent& event);
    void OnCopyTopToBottom(wxCommandEvent& event);
    void OnCopyBottomToTop(wxCommandEvent& event);
    void OnMoveTopToBottom(wxCommandEvent& event);
    void OnMoveBottomToTop(wxCommandEvent& event);
    void OnDeleteFiles(wxCommandEvent& event);
    void OnConvertToAvi(wxCommandEvent& event);
    void OnConvertToMp3(wxCommandEvent& event);
    void OnViewToolbar(wxCommandEvent& event);
    // Shows or hides the details pane below both lists, remembered at once.
    void OnViewDetailsPane(wxCommandEvent& event);
    void OnAppExit(wxCommandEvent& event);
    void OnNextPane(wxCommandEvent& event);
    void OnPrevPane(wxCommandEvent& event);
    void OnRefresh(wxCommandEvent& event);
    void OnSelectAll(wxCommandEvent& event);
    void OnPlay(wxCommandEvent& event);
    // Turns the question before Delete on or off, remembered at once.
    void OnAskBeforeDelete(wxCommandEvent& event);
    // F2: the focused list's row, or the focused tree's folder.
    void OnRename(wxCommandEvent& event);
    // Delete in a tree: the selected folder with everything in it.
    void DeleteTreeFolder(int row);
    void RenameTreeFolder(int row);
    // A path typed above a row's list: its tree opens it, and the list
    // shows it; or the field shows the list's folder again and says why.
    void OpenTypedFolder(int row, const std::u16string& path);
    void OnCheckFolder(wxCommandEvent& event);
    // Whether copies and moves read each entry back, remembered at once.
    void OnVerifyAfterCopy(wxCommandEvent& event);
    void OnUpdateVerifyAfterCopy(wxUpdateUIEvent& event);
    // Enable rules, asked when a menu opens and, for the toolbar, whenever
    // the application is idle.
    void UpdateByRule(wxUpdateUIEvent& event);
    void OnUpdateViewToolbar(wxUpdateUIEvent& event);
    void OnUpdateSelectAll(wxUpdateUIEvent& event);
    void OnUpdateViewDetailsPane(wxUpdateUIEvent& event);
    void OnUpdateAskBeforeDelete(wxUpdateUIEvent& event);

    // A folder view's selection changed: its row's list shows the folder.
    void OnFolderSelected(wxCommandEvent& event);
    // File systems came or went: both trees are built again and return to
    // their folders.
    void OnDeviceChange();
    bool OnCreateClient();
    bool CreateMainToolBar();
    // GTK lays a frame out once at 2x1 pixels while the window manager has
    // not yet told it its borders; a toolbar or menu bar given that width
    // says so on stderr. The bars join the layout when the frame has its
    // real width.
    void HoldToolBarUntilSized();
    static void OnFrameAllocated(void* widget, void* allocation, void* frame);
    void CreateMenus();
    void OnDestroy();
    void ActivatePane(int step);
    void OnToolBarContextMenu(wxCommandEvent& event);
    void BindPaneInput();
    void SetUpDragAndDrop();
    void OnFrameSize(wxSizeEvent& event);
    // A row's shown folder changed on disk: its list (and open tree folder)
    // is read again.
    void RefreshChangedRow(int row);
    void MarkFocusedPane();
    // The status bar follows the focused row's list: its selection, and the
    // free space of its folder's drive (read again only when the folder or
    // the selection changed).
    void UpdateStatusBar();

    CDocManager* m_pDocManager;
    CImageToolBar* m_pToolBar = nullptr; // owned by the frame as its toolbar
    bool m_toolBarHeld = false;
    CPaneSplitter* m_pSplitter = nullptr;
    PaneRow m_rows[2];
    dz::desktop::ProcessInfo m_vivozirProcess;
    dz::desktop::MountWatcher m_mountWatcher;
    CFolderWatch m_folderWatch{[this](int row) { RefreshChangedRow(row); }};
    std::vector<std::u16string> m_drives; // the drive roots the trees list
    dz::LayoutSettings m_settings;
    wxString m_settingsFile;
    wxRect m_normalRect;
    std::optional<wxPoint> m_pendingPlace; // the remembered place, until shown there
    int m_nPlayCount = 0;
    wxWindow* m_pMarkedPane = nullptr;
    FocusedPane m_contextPane = FocusedPane::None; // while a context menu is open
    std::optional<int> m_dragSourceRow;
    struct StatusShown {
        int row = -1;
        std::u16string folder;
        long selected = -1, rows = -1;
        uint64_t bytes = 0;
        bool operator==(const StatusShown&) const = default;
    } m_statusShown;
    wxSize m_creationClientSize;
    bool m_bCreated = false;

    wxDECLARE_EVENT_TABLE();
};

// Play's temporaries: this run's, removed when the program ends, and those
// of earlier runs that no longer run, removed at the start.
void RemoveOwnPlayFiles();
void RemoveLeftoverPlayFiles();
