// Carries out the four copy and move commands between the top and bottom rows.
#include "transfer/transfer_checks.h"
#include "transfer/transfer_outcome.h"
#include "transfer/transfer_plan.h"
#include "transfer/transfer_prepare.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/app/MainFrame.h"
#include "ui/dialogs/CopyProgressDlg.h"
#include "ui/dialogs/Prompts.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"

#include <string>
#include <vector>

namespace {

// The window asks about each entry that exists with its Replace dialog.
class WindowQuestions final : public dz::TransferQuestions {
public:
    WindowQuestions(wxWindow* parent, const std::u16string& destination)
        : m_parent(parent), m_destination(destination) {}
    dz::ReplaceDecision AskReplace(const std::u16string& name, size_t remaining) override {
        return AskReplaceEntry(m_parent, dz::ReplaceQuestionText(name, m_destination), remaining);
    }

private:
    wxWindow* m_parent;
    const std::u16string& m_destination;
};

// The four commands differ only in the rows they pass and the job's mode.
void RunTransfer(CMainFrame* frame, const PaneRow& from, const PaneRow& to, dz::TransferMode mode) {
    // Copies: the job reads them until the dialog has ended, and the lists
    // are refreshed from them afterwards whatever the trees did meanwhile.
    const std::u16string source = from.folderView->m_strPath;
    const std::u16string destination = to.folderView->m_strPath;
    if (const dz::CheckMessage message =
            dz::CheckTransfer(source, from.fileView->HasSelection(), destination)) {
        ShowAppMessage(std::u16string(*message), frame);
        return;
    }
    // Entries that exist at the destination are decided on before the job:
    // the job is given only what the user agreed to replace.
    WindowQuestions questions(frame, destination);
    const dz::PreparedTransfer prepared =
        dz::PrepareTransfer(mode, source, destination,
                            dz::CollectEntryNames(from.fileView->SelectedRowTexts()), questions);
    if (prepared.status == dz::PreparedTransfer::Status::kRefused)
        ShowAppMessage(prepared.refusal, frame);
    if (prepared.status != dz::PreparedTransfer::Status::kReady)
        return;
    const dz::CSortStringArray& names = prepared.names;
    std::u16string outcome;
    {
        // No parent: the main window owns it and stays disabled while the
        // job runs, so no second transfer can start.
        dz::TransferJob job;
        job.destination = destination;
        job.source = source;
        job.names = names;
        job.replace = prepared.replace;
        job.verify = frame->GetSettings().verifyAfterCopy;
        CCopyProgressDlg dialog(mode, std::move(job), TestStandIn().copy);
        dialog.ShowModal();
        outcome = dz::TransferOutcomeText(dialog.m_outcome, names, mode == dz::TransferMode::Move);
    }
    for (const PaneRow* row : {&from, &to})
        row->folderView->m_wndTree.UpdateDriveLabels();
    // A failure names its entry and why; a cancel says how far it got. Both
    // lists then show what is really there.
    if (!outcome.empty()) {
        ShowAppMessage(outcome, frame);
        to.fileView->ShowFolder(destination);
        from.fileView->ShowFolder(source);
        return;
    }
    to.fileView->ShowFolder(destination);
    if (mode == dz::TransferMode::Move)
        from.fileView->ShowFolder(source);
}

} // namespace

void CMainFrame::TransferRows(int fromRow, int toRow, bool move) {
    if (fromRow != toRow)
        RunTransfer(this, Row(fromRow), Row(toRow),
                    move ? dz::TransferMode::Move : dz::TransferMode::Copy);
}

void CMainFrame::OnCopyTopToBottom(wxCommandEvent&) {
    RunTransfer(this, Row(kTopRow), Row(kBottomRow), dz::TransferMode::Copy);
}

void CMainFrame::OnCopyBottomToTop(wxCommandEvent&) {
    RunTransfer(this, Row(kBottomRow), Row(kTopRow), dz::TransferMode::Copy);
}

void CMainFrame::OnMoveTopToBottom(wxCommandEvent&) {
    RunTransfer(this, Row(kTopRow), Row(kBottomRow), dz::TransferMode::Move);
}

void CMainFrame::OnMoveBottomToTop(wxCommandEvent&) {
    RunTransfer(this, Row(kBottomRow), Row(kTopRow), dz::TransferMode::Move);
}
