// Carries out Delete (on the focused list), New Folder (in the focused tree)
// and the opening of a folder typed above a list.
#include "common/messages.h"
#include "common/text.h"
#include "platform/folder_path.h"
#include "transfer/new_folder.h"
#include "transfer/transfer_checks.h"
#include "transfer/transfer_outcome.h"
#include "transfer/transfer_plan.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/app/MainFrame.h"
#include "ui/dialogs/DeleteProgressDlg.h"
#include "ui/dialogs/InputNameDlg.h"
#include "ui/dialogs/Prompts.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <optional>
#include <string>
#include <vector>

void CMainFrame::OnDeleteFiles(wxCommandEvent&) {
    // In a tree, Delete takes the selected folder with everything in it.
    if (const std::optional<int> tree = FocusedTreeRow();
        tree && !Row(*tree).folderView->m_strPath.empty()) {
        DeleteTreeFolder(*tree);
        return;
    }
    const std::optional<int> focused = FocusedListRow();
    const std::optional<PaneRow> row =
        focused ? std::optional<PaneRow>(Row(*focused)) : std::nullopt;
    const std::u16string folder = row ? row->folderView->m_strPath : std::u16string();
    if (const dz::CheckMessage message =
            dz::CheckDelete(row.has_value(), row && row->fileView->HasSelection(), folder)) {
        ShowAppMessage(std::u16string(*message), this);
        return;
    }
    if (!row)
        return; // the check above has said so already
    const std::vector<dz::SelectedRow> rows = row->fileView->SelectedRowTexts();
    const dz::CSortStringArray names = dz::CollectEntryNames(rows);
    if (m_settings.confirmDelete) {
        std::vector<std::u16string> shown;
        for (const dz::SelectedRow& r : rows)
            shown.push_back(r.column0);
        // The size the list shows for the rows, so the question and the
        // Size column never disagree.
        const DeleteAnswer answer = AskDeleteConfirmation(
            this, dz::DeleteQuestionText(shown, row->fileView->SelectedBytes()));
        if (!answer.confirmed)
            return;
        if (answer.dontAskAgain) {
            m_settings.confirmDelete = false;
            SaveSettings();
        }
    }
    std::u16string failure;
    {
        CDeleteProgressDlg dialog({folder, names}, TestStandIn().deletion);
        dialog.ShowModal();
        failure = dz::DeleteOutcomeText(dialog.m_outcome);
    }
    // Only this row: the other list may show the same folder, and keeps
    // showing what it showed - unless something failed, which is said, and
    // then both lists show what is really there.
    row->fileView->ShowFolder(folder);
    for (int r : {kTopRow, kBottomRow})
        Row(r).folderView->m_wndTree.UpdateDriveLabels();
    if (failure.empty())
        return;
    ShowAppMessage(failure, this);
    const PaneRow other = Row(*focused == kTopRow ? kBottomRow : kTopRow);
    if (!other.folderView->m_strPath.empty())
        other.fileView->ShowFolder(other.folderView->m_strPath);
}

void CMainFrame::OnNewFolder(wxCommandEvent&) {
    const std::optional<int> focused = FocusedTreeRow();
    std::optional<PaneRow> parent;
    std::optional<PaneRow> other;
    if (focused) {
        parent = Row(*focused);
        other = Row(*focused == kTopRow ? kBottomRow : kTopRow);
    }
    const std::u16string parentPath = parent ? parent->folderView->m_strPath : std::u16string();
    if (const dz::CheckMessage message = dz::CheckNewFolder(parent.has_value(), parentPath)) {
        ShowAppMessage(std::u16string(*message), this);
        return;
    }
    CInputNameDlg dialog;
    if (dialog.ShowModal() != wxID_OK)
        return;
    const dz::NewFolderResult made = dz::MakeNewFolder(parentPath, dialog.m_strName);
    if (made.status != dz::NewFolderStatus::kMade) {
        // An empty name ends the command silently; the box refuses a long one.
        if (!made.message.empty())
            ShowAppMessage(made.message, this);
        return;
    }
    // Selecting the new folder makes this row's list show it, empty.
    parent->folderView->m_wndTree.Rebuild();
    parent->folderView->m_wndTree.SelectPath(made.path);
    // The other tree is read again so that it shows the new folder when it
    // is at the same place; it returns to its own folder.
    const std::u16string otherPath = other->folderView->m_strPath;
    if (otherPath.empty())
        return;
    other->folderView->m_wndTree.Rebuild();
    other->folderView->m_wndTree.SelectPath(otherPath);
}

void CMainFrame::OpenTypedFolder(int row, const std::u16string& typed) {
    std::u16string path = typed;
    // "/media/disk/REC/" names the same folder as "/media/disk/REC".
    while (path.size() > 1 && dz::platform::LastSeparator(path) == path.size() - 1)
        path.pop_back();
    CFileView& list = *Row(row).fileView;
    if (path.empty() || !Row(row).folderView->m_wndTree.SelectPath(path)) {
        list.PathField().ChangeValue(ToWx(list.GetFolder()));
        ShowAppMessage(dz::FillMessage(dz::msg::kTypedFolderNotFound, typed), this);
        return;
    }
    list.m_wndList.SetFocus();
}
