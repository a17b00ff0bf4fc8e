#pragma once
// The right pane of a row: the recordings and .mp3/.mem files of the folder
// selected in the row's tree, one row per recording. Column 1 is zero wide
// and keeps the real file name (part 1 of a recording) for the commands.
#include "transfer/transfer_checks.h"

#include <wx/listctrl.h>
#include <wx/panel.h>

#include <string>
#include <vector>

class CFileView : public wxPanel {
public:
    enum Column { kFileName, kRealFileName, kSize, kDate, kColumnCount };

    CFileView() = default;
    bool Create(wxWindow* parent, wxWindowID id, const wxSize& size);
    // The first time only: the columns, sized from the pane's width then.
    void OnInitialUpdate();

    // Lists folder afresh; an empty folder text empties the list.
    void ShowFolder(const std::u16string& folder);

    bool HasSelection() const;
    // Column 0 and column 1 of every selected row, in list order.
    std::vector<dz::SelectedRow> SelectedRowTexts() const;

    wxListCtrl m_wndList;

private:
    void OnSize(wxSizeEvent& event);

    bool m_bColumnsMade = false;
};
