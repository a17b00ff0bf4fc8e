#include "ui/panes/FileView.h"

#include "recording/folder_listing.h"
#include "ui/app/resource.h"
#include "ui/wx_text.h"

#include <wx/utils.h>

bool CFileView::Create(wxWindow* parent, wxWindowID id, const wxSize& size) {
    if (!wxPanel::Create(parent, id, wxDefaultPosition, size, wxBORDER_NONE))
        return false;
    // Report view, several rows at once; the generic list selects full rows
    // and keeps the selection visible when it loses the focus.
    if (!m_wndList.Create(this, IDC_FILE_LIST, wxPoint(0, 0), GetClientSize(),
                          wxLC_REPORT | wxBORDER_NONE))
        return false;
    Bind(wxEVT_SIZE, &CFileView::OnSize, this);
    return true;
}

void CFileView::OnInitialUpdate() {
    if (m_bColumnsMade)
        return;
    m_bColumnsMade = true;
    const int w = GetClientSize().x;
    const int rest = w - 6 * (w / 10);
    // The first column reads left-aligned, as report lists show their first
    // column whatever it asks for; the others are centred.
    m_wndList.InsertColumn(kFileName, "File Name", wxLIST_FORMAT_LEFT, 6 * (w / 10));
    m_wndList.InsertColumn(kRealFileName, "Real File Name", wxLIST_FORMAT_CENTRE, 0);
    m_wndList.InsertColumn(kSize, "Size(KB)", wxLIST_FORMAT_CENTRE, rest / 3);
    m_wndList.InsertColumn(kDate, "Date", wxLIST_FORMAT_CENTRE, 2 * (rest / 3));
}

void CFileView::OnSize(wxSizeEvent& event) {
    event.Skip();
    m_wndList.SetSize(0, 0, GetClientSize().x, GetClientSize().y);
}

void CFileView::ShowFolder(const std::u16string& folder) {
    wxBusyCursor wait;
    m_wndList.Freeze();
    m_wndList.DeleteAllItems();
    long n = 0;
    for (const FileListRow& row : ListFolderRows(folder)) {
        const long item = m_wndList.InsertItem(n, ToWx(row.fileName));
        m_wndList.SetItem(item, kRealFileName, ToWx(row.realFileName));
        m_wndList.SetItem(item, kSize, ToWx(row.sizeText));
        m_wndList.SetItem(item, kDate, ToWx(row.dateText));
        ++n;
    }
    m_wndList.Thaw();
}

bool CFileView::HasSelection() const {
    return m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED) != -1;
}

std::vector<dz::SelectedRow> CFileView::SelectedRowTexts() const {
    std::vector<dz::SelectedRow> rows;
    for (long item = m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = m_wndList.GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        rows.push_back({FromWx(m_wndList.GetItemText(item, kFileName)),
                        FromWx(m_wndList.GetItemText(item, kRealFileName))});
    }
    return rows;
}
