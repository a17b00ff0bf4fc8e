// Carries out the care of a recorder's disk from the window: Rename (F2) of a
// list's entry or a tree's folder, Delete of a tree's folder, Check Folder,
// and the Verify After Copy choice. The engine decides and does; this reads
// the panes, asks, and shows what came of it.
#include "common/messages.h"
#include "common/text.h"
#include "platform/folder_path.h"
#include "platform/platform.h"
#include "transfer/entry_rename.h"
#include "transfer/folder_deletion.h"
#include "ui/MessageBox.h"
#include "ui/app/MainFrame.h"
#include "ui/dialogs/CheckFolderDlg.h"
#include "ui/dialogs/InputNameDlg.h"
#include "ui/dialogs/Prompts.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"

#include <wx/utils.h>

#include <algorithm>
#include <optional>
#include <string>

namespace {

// The folder that holds path, and path's own name in it.
struct FolderPlace {
    std::u16string parent;
    std::u16string name;
};
FolderPlace PlaceOfFolder(const std::u16string& path) {
    const std::u16string name = dz::platform::LastComponent(path);
    std::u16string parent = path.substr(0, path.size() - name.size());
    // The separator before the name goes, unless it is the whole root.
    if (parent.size() > 1 && (parent.back() == u'/' || parent.back() == dz::platform::kSeparator))
        parent.pop_back();
    return {parent, name};
}

bool IsDrive(const CFolderTreeCtrl& tree, const std::u16string& path) {
    const std::vector<std::u16string> drives = tree.DriveLabels();
    return std::find(drives.begin(), drives.end(), path) != drives.end();
}

// The folder a tree command acts on: the tree's selected folder, never a
// drive; nothing, after saying why, when there is none.
std::optional<std::u16string> TreeFolderFor(const CFolderView& view, const char16_t* driveRefusal,
                                            wxWindow* parent) {
    const std::u16string path = view.m_strPath;
    if (path.empty()) {
        ShowAppMessage(dz::msg::kNoFolder, parent);
        return std::nullopt;
    }
    if (IsDrive(view.m_wndTree, path)) {
        ShowAppMessage(dz::FillMessage(driveRefusal, path), parent);
        return std::nullopt;
    }
    return path;
}

// Asks for the new name with the old one filled in; nothing on Cancel.
std::optional<std::u16string> AskNewName(const std::u16string& shown) {
    CInputNameDlg dialog;
    dialog.m_strName = shown; // the box shows it when the dialog opens
    if (dialog.ShowModal() != wxID_OK)
        return std::nullopt;
    return dialog.m_strName;
}

// A path under (or at) a folder that was renamed, moved to the new name.
std::u16string Rebased(const std::u16string& path, const std::u16string& from,
                       const std::u16string& to) {
    return dz::platform::IsUnder(path, from) ? to + path.substr(from.size()) : path;
}

} // namespace

void CMainFrame::OnRename(wxCommandEvent&) {
    if (const std::optional<int> treeRow = FocusedTreeRow()) {
        RenameTreeFolder(*treeRow);
        return;
    }
    const std::optional<int> listRow = FocusedListRow();
    const std::optional<dz::SelectedRow> entry =
        listRow ? Row(*listRow).fileView->FocusedRow() : std::nullopt;
    if (!entry) {
        ShowAppMessage(dz::msg::kNoFile, this);
        return;
    }
    CFileView& list = *Row(*listRow).fileView;
    const std::u16string folder = list.GetFolder();
    const std::optional<std::u16string> name = AskNewName(entry->column0);
    if (!name)
        return;
    const dz::PreparedRename job = dz::PrepareRename(folder, entry->column1, *name);
    if (job.status == dz::PreparedRename::Status::kRefused) {
        ShowAppMessage(job.refusal, this);
        return;
    }
    if (job.status == dz::PreparedRename::Status::kSame)
        return;
    dz::RenameOutcome outcome;
    {
        wxBusyCursor wait;
        outcome = dz::RunRename(job);
    }
    // Both lists may show the folder; each is read again.
    for (int r : {kTopRow, kBottomRow}) {
        if (Row(r).fileView->GetFolder() == folder)
            Row(r).fileView->RefreshFolder();
    }
    if (!outcome.done) {
        ShowAppMessage(outcome.message, this);
        return;
    }
    // The renamed entry stays the selected row.
    const long item = list.FindRow(job.newName);
    for (long i = 0; i < list.m_wndList.GetItemCount(); ++i)
        list.m_wndList.SetItemState(i, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    if (item >= 0) {
        list.m_wndList.SetItemState(item, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                    wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        list.m_wndList.EnsureVisible(item);
    }
    if (job.finishesEarlier)
        ShowAppInformation(dz::FillMessage(dz::msg::kRenameFinished, job.oldName), this);
}

void CMainFrame::RenameTreeFolder(int row) {
    const std::optional<std::u16string> folder =
        TreeFolderFor(*Row(row).folderView, dz::msg::kDriveNotRenamed, this);
    if (!folder)
        return;
    const std::u16string& path = *folder;
    const FolderPlace place = PlaceOfFolder(path);
    const std::optional<std::u16string> name = AskNewName(place.name);
    if (!name)
        return;
    const dz::PreparedRename job = dz::PrepareRename(place.parent, place.name, *name);
    if (job.status == dz::PreparedRename::Status::kRefused) {
        ShowAppMessage(job.refusal, this);
        return;
    }
    if (job.status == dz::PreparedRename::Status::kSame)
        return;
    const dz::RenameOutcome outcome = dz::RunRename(job);
    const std::u16string renamed = dz::platform::JoinPath(place.parent, job.newName);
    // Each tree returns to its folder under its new name; a list showing a
    // folder below it follows.
    for (int r : {kTopRow, kBottomRow}) {
        CFolderView& folderView = *Row(r).folderView;
        const std::u16string was = folderView.m_strPath;
        if (was.empty())
            continue;
        const std::u16string now = outcome.done ? Rebased(was, path, renamed) : was;
        folderView.m_wndTree.Rebuild();
        if (!folderView.m_wndTree.SelectPath(now)) {
            folderView.m_strPath.clear();
            Row(r).fileView->ShowFolder({});
        }
    }
    WatchShownFolders();
    if (!outcome.done)
        ShowAppMessage(outcome.message, this);
}

void CMainFrame::DeleteTreeFolder(int row) {
    const std::optional<std::u16string> folder =
        TreeFolderFor(*Row(row).folderView, dz::msg::kDriveNotDeleted, this);
    if (!folder)
        return;
    const std::u16string& path = *folder;
    const FolderPlace place = PlaceOfFolder(path);
    const dz::PreparedDelete job = dz::PrepareDelete(place.parent, {place.name});
    // A folder goes with everything in it: the question says how much that
    // is, whatever the choice about asking before Delete.
    const DeleteAnswer answer =
        AskDeleteConfirmation(this, dz::FolderDeleteQuestionText(path, job.contents));
    if (!answer.confirmed)
        return;
    if (answer.dontAskAgain) {
        m_settings.confirmDelete = false;
        SaveSettings();
    }
    dz::FolderDeleteOutcome outcome;
    {
        wxBusyCursor wait;
        outcome = dz::RunDelete(job);
    }
    // Each tree returns to its folder, or to the nearest one still there.
    for (int r : {kTopRow, kBottomRow}) {
        CFolderView& folderView = *Row(r).folderView;
        const std::u16string was = folderView.m_strPath;
        if (was.empty())
            continue;
        const std::u16string now = dz::platform::NearestExistingFolder(
            was, [](const std::u16string& p) { return dz::platform::FolderExists(p); });
        folderView.m_wndTree.Rebuild();
        if (now.empty() || !folderView.m_wndTree.SelectPath(now)) {
            folderView.m_strPath.clear();
            Row(r).fileView->ShowFolder({});
        } else if (now == was) {
            Row(r).fileView->ShowFolder(now);
        }
        folderView.m_wndTree.UpdateDriveLabels();
    }
    WatchShownFolders();
    if (!outcome.failedAt.empty())
        ShowAppMessage(dz::FillMessage(dz::msg::kCouldNotDeleteFolder, outcome.failedAt), this);
}

void CMainFrame::OnCheckFolder(wxCommandEvent&) {
    const std::optional<PanePlace> place = PlaceOf(GetFocusedPane());
    const std::u16string folder = place ? Row(place->row).folderView->m_strPath : std::u16string();
    if (folder.empty()) {
        ShowAppMessage(dz::msg::kNoFolder, this);
        return;
    }
    {
        CCheckFolderDlg dialog(this, folder);
        dialog.ShowModal();
    }
    // A mend may have changed files either list shows.
    for (int r : {kTopRow, kBottomRow}) {
        if (!Row(r).fileView->GetFolder().empty())
            Row(r).fileView->RefreshFolder();
    }
}

void CMainFrame::OnVerifyAfterCopy(wxCommandEvent&) {
    m_settings.verifyAfterCopy = !m_settings.verifyAfterCopy;
    SaveSettings();
}

void CMainFrame::OnUpdateVerifyAfterCopy(wxUpdateUIEvent& event) {
    event.Check(m_settings.verifyAfterCopy);
}
