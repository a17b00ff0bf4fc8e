// Carries out Convert to AVI: the conversion dialog for the selected recording.
#include "convert/ts2pes_prefill.h"
#include "ui/UserStandIn.h"
#include "ui/app/MainFrame.h"
#include "ui/dialogs/Ts2PesDlg.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"

void CMainFrame::OnConvertToAvi(wxCommandEvent&) {
    // The fields start from the first selected row of the list that has the
    // keyboard focus; with the focus anywhere else they start empty.
    dz::convert::ConversionPaths paths;
    if (const std::optional<int> focused = FocusedListRow()) {
        const PaneRow row = Row(*focused);
        const auto selected = row.fileView->SelectedRowTexts();
        if (!selected.empty())
            paths = dz::convert::ConversionPathsForRow(
                row.folderView->m_strPath, selected.front().column0, selected.front().column1);
    }
    CTs2PesDlg dialog(this, paths.source, paths.target, TestStandIn().conversion);
    dialog.ShowModal();
}
