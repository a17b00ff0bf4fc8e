#include "ui/panes/FileView.h"

#include "common/messages.h"
#include "common/text.h"
#include "common/user_settings.h"
#include "platform/platform.h"
#include "recording/folder_listing.h"
#include "ui/app/resource.h"
#include "ui/panes/DetailsPane.h"
#include "ui/panes/PaneMark.h"
#include "ui/wx_text.h"

#include <wx/utils.h>
#ifdef __WXMSW__
#include <wx/msw/wrapcctl.h>
#endif

#include <algorithm>
#include <optional>

namespace {

// How often a list in length order is sorted again while lengths come in.
constexpr int kLengthSortInterval = 300; // ms

// The list's columns that sort, and the row field each sorts by.
std::optional<dz::RowSortColumn> SortColumnOf(int column) {
    switch (column) {
    case CFileView::kFileName:
        return dz::RowSortColumn::Name;
    case CFileView::kSize:
        return dz::RowSortColumn::Size;
    case CFileView::kDate:
        return dz::RowSortColumn::Date;
    case CFileView::kLength:
        return dz::RowSortColumn::Length;
    default:
        return std::nullopt;
    }
}

int ColumnOf(dz::RowSortColumn column) {
    switch (column) {
    case dz::RowSortColumn::Size:
        return CFileView::kSize;
    case dz::RowSortColumn::Date:
        return CFileView::kDate;
    case dz::RowSortColumn::Length:
        return CFileView::kLength;
    default:
        return CFileView::kFileName;
    }
}

} // namespace

CFileView::CFileView() = default;

// Dropped runs end with the view: each has at most one recording to finish.
CFileView::~CFileView() = default;

int CFileView::ListWidth() const {
    return std::max(GetClientSize().x - 2 * kPaneMarkWidth, 0);
}

bool CFileView::Create(wxWindow* parent, wxWindowID id, const wxSize& size) {
    if (!wxPanel::Create(parent, id, wxDefaultPosition, size, wxBORDER_NONE))
        return false;
    // Report view, several rows at once; the generic list selects full rows
    // and keeps the selection visible when it loses the focus.
    if (!m_wndList.Create(this, IDC_FILE_LIST, wxPoint(kPaneMarkWidth, kPaneMarkWidth),
                          wxSize(ListWidth(), std::max(GetClientSize().y - 2 * kPaneMarkWidth, 0)),
                          wxLC_REPORT | wxBORDER_NONE))
        return false;
    m_pPathField =
        new wxTextCtrl(this, wxID_ANY, wxString(), wxPoint(kPaneMarkWidth, kPaneMarkWidth),
                       wxSize(ListWidth(), -1), wxTE_PROCESS_ENTER);
    m_pPathField->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) {
        if (m_openTypedPath)
            m_openTypedPath(FromWx(m_pPathField->GetValue()));
    });
    m_wake.Attach(this);
    m_lengthSortTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (m_sort.column == dz::RowSortColumn::Length)
            SetSort(m_sort);
    });
    m_pDetails = new CDetailsPane;
    if (!m_pDetails->Create(this))
        return false;
    m_pDetails->Hide();
    Bind(wxEVT_SIZE, &CFileView::OnSize, this);
    m_wndList.Bind(wxEVT_LIST_ITEM_SELECTED, &CFileView::OnSelectionChanged, this);
    m_wndList.Bind(wxEVT_LIST_ITEM_DESELECTED, &CFileView::OnSelectionChanged, this);
    m_wndList.Bind(wxEVT_LIST_ITEM_FOCUSED, &CFileView::OnSelectionChanged, this);
    Bind(wxEVT_IDLE, &CFileView::OnIdle, this);
    m_wndList.Bind(wxEVT_LIST_COL_CLICK, &CFileView::OnColumnClick, this);
    m_wndList.Bind(wxEVT_LIST_COL_BEGIN_DRAG, &CFileView::OnColumnBeginDrag, this);
    // The pointer over the rows: the rows' own window where the toolkit's
    // list draws them in a child below its header.
    m_wndList.Bind(wxEVT_MOTION, &CFileView::OnListMotion, this);
    for (wxWindow* child : m_wndList.GetChildren())
        child->Bind(wxEVT_MOTION, &CFileView::OnListMotion, this);
    // A column the user sized is the new base of the proportions; the list
    // has its new width once the drag's event is handled.
    m_wndList.Bind(wxEVT_LIST_COL_END_DRAG, [this](wxListEvent& event) {
        event.Skip();
        CallAfter([this] { SetColumnWidths(GetColumnWidths()); });
    });
    return true;
}

void CFileView::OnInitialUpdate() {
    if (m_bColumnsMade)
        return;
    m_bColumnsMade = true;
    const int w = ListWidth();
    const int rest = w - 5 * (w / 10);
    // The first column reads left-aligned, as report lists show their first
    // column whatever it asks for; the others are centred.
    m_wndList.InsertColumn(kFileName, "File Name", wxLIST_FORMAT_LEFT, 5 * (w / 10));
    m_wndList.InsertColumn(kRealFileName, "Real File Name", wxLIST_FORMAT_CENTRE, 0);
    m_wndList.InsertColumn(kSize, "Size(KB)", wxLIST_FORMAT_CENTRE, rest / 4);
    m_wndList.InsertColumn(kDate, "Date", wxLIST_FORMAT_CENTRE, rest / 2);
    m_wndList.InsertColumn(kLength, ToWx(dz::msg::kLengthColumn), wxLIST_FORMAT_CENTRE, rest / 4);
    m_baseWidths = GetColumnWidths();
    m_nColumnsWidth = w;
    ShowSortMark();
}

std::array<int, CFileView::kColumnCount> CFileView::GetColumnWidths() const {
    std::array<int, kColumnCount> widths{};
    for (int c = 0; c < kColumnCount && c < m_wndList.GetColumnCount(); ++c)
        widths[c] = m_wndList.GetColumnWidth(c);
    return widths;
}

void CFileView::SetColumnWidths(const std::array<int, kColumnCount>& widths, int forWidth) {
    if (m_wndList.GetColumnCount() != kColumnCount)
        return;
    m_baseWidths = widths;
    // The real file name column stays hidden whatever was remembered.
    m_baseWidths[kRealFileName] = 0;
    for (int& w : m_baseWidths)
        w = std::max(w, 0);
    m_nColumnsWidth = forWidth > 0 ? forWidth : ListWidth();
    ApplyColumnWidths();
}

void CFileView::ApplyColumnWidths() {
    if (m_wndList.GetColumnCount() != kColumnCount)
        return;
    // Always from the base, never from the last scaling, so that any number
    // of resizes and starts leaves the proportions exactly as they were.
    const std::array<int, kColumnCount> widths =
        dz::ScaleColumns(m_baseWidths, m_nColumnsWidth, ListWidth());
    for (int c = 0; c < kColumnCount; ++c) {
        if (m_wndList.GetColumnWidth(c) != widths[c])
            m_wndList.SetColumnWidth(c, widths[c]);
    }
}

void CFileView::OnColumnBeginDrag(wxListEvent& event) {
    // The real file name column stays hidden: it cannot be dragged open.
    if (event.GetColumn() == kRealFileName)
        event.Veto();
    else
        event.Skip();
}

wxWindow* CFileView::RowsWindow() {
    // The list's lowest child when it has children (its header lies above),
    // else the list itself.
    wxWindow* rows = &m_wndList;
    int lowest = -1;
    for (wxWindow* child : m_wndList.GetChildren()) {
        if (child->GetPosition().y > lowest) {
            lowest = child->GetPosition().y;
            rows = child;
        }
    }
    return rows;
}

void CFileView::OnListMotion(wxMouseEvent& event) {
    event.Skip();
    wxWindow* rows = RowsWindow();
    if (event.GetEventObject() != rows)
        return;
    // The list hit-tests in the coordinates of the window that draws its rows.
    int flags = 0;
    const long item = m_wndList.HitTest(event.GetPosition(), flags);
    if (item == m_tipRow)
        return;
    m_tipRow = item;
    const std::u16string problem = RowProblem(item);
    if (problem.empty())
        rows->UnsetToolTip();
    else
        rows->SetToolTip(ToWx(problem));
}

wxColour CFileView::MarkColour() {
    // A red that reads on light and dark list backgrounds alike.
    return wxColour(200, 30, 30);
}

std::u16string CFileView::RowProblem(long item) const {
    return item >= 0 && static_cast<size_t>(item) < m_rows.size()
               ? m_rows[static_cast<size_t>(item)].problem
               : std::u16string();
}

void CFileView::OnColumnClick(wxListEvent& event) {
    SortByColumn(event.GetColumn());
}

void CFileView::SortByColumn(int column) {
    if (const std::optional<dz::RowSortColumn> sortColumn = SortColumnOf(column))
        SetSort(dz::NextSort(m_sort, *sortColumn));
}

void CFileView::SetSort(dz::RowSort sort) {
    m_sort = sort;
    std::vector<std::u16string> selected;
    for (const dz::SelectedRow& row : SelectedRowTexts())
        selected.push_back(row.column1);
    const std::u16string focused = FocusedRealName();
    dz::SortRows(m_rows, m_sort);
    Fill(selected, focused);
    ShowSortMark();
}

void CFileView::ShowSortMark() {
    if (m_wndList.GetColumnCount() == kColumnCount)
        m_wndList.ShowSortIndicator(ColumnOf(m_sort.column), !m_sort.descending);
#ifdef __WXMSW__
    // Not every list view hands the arrow on to its header (Wine's drops
    // it), so the header is given it directly.
    if (m_wndList.GetColumnCount() != kColumnCount)
        return;
    const HWND header = ListView_GetHeader(static_cast<HWND>(m_wndList.GetHWND()));
    const int sorted = ColumnOf(m_sort.column);
    for (int c = 0; c < kColumnCount; ++c) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!Header_GetItem(header, c, &item))
            continue;
        int format = item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
        if (c == sorted)
            format |= m_sort.descending ? HDF_SORTDOWN : HDF_SORTUP;
        if (format != item.fmt) {
            item.fmt = format;
            Header_SetItem(header, c, &item);
        }
    }
#endif
}

void CFileView::OnSize(wxSizeEvent& event) {
    event.Skip();
    LayOut();
    if (m_bColumnsMade)
        ApplyColumnWidths();
}

void CFileView::LayOut() {
    // The path field on top, the list below it, the details pane (when
    // shown) at the bottom taking its height, never more than half the row.
    const int field = m_pPathField->GetBestSize().y;
    m_pPathField->SetSize(kPaneMarkWidth, kPaneMarkWidth, ListWidth(), field);
    const int inner = std::max(GetClientSize().y - 2 * kPaneMarkWidth - field, 0);
    const int details = m_bDetailsShown ? std::min(CDetailsPane::PaneHeight(this), inner / 2) : 0;
    m_wndList.SetSize(kPaneMarkWidth, kPaneMarkWidth + field, ListWidth(), inner - details);
    if (m_bDetailsShown)
        m_pDetails->SetSize(kPaneMarkWidth, kPaneMarkWidth + field + inner - details, ListWidth(),
                            details);
}

void CFileView::ShowDetails(bool show) {
    if (show == m_bDetailsShown)
        return;
    m_bDetailsShown = show;
    m_pDetails->Show(show);
    LayOut();
    if (show)
        UpdateDetails();
    else
        m_pDetails->ShowRecording({}); // nothing read for a pane no one sees
}

void CFileView::OnSelectionChanged(wxListEvent& event) {
    event.Skip();
    // A click changes the selection and the focus in several events: the
    // pane follows once, when they are all handled.
    if (!m_bDetailsShown || m_bDetailsPending)
        return;
    m_bDetailsPending = true;
    CallAfter([this] {
        m_bDetailsPending = false;
        UpdateDetails();
    });
}

void CFileView::UpdateDetails() {
    if (!m_bDetailsShown)
        return;
    const std::u16string name = FocusedRecording();
    m_pDetails->ShowRecording(name.empty() ? std::u16string()
                                           : dz::platform::JoinPath(m_folder, name));
}

void CFileView::ShowFolder(const std::u16string& folder) {
    wxBusyCursor wait;
    m_folder = folder;
    m_pPathField->ChangeValue(ToWx(folder));
    m_rows = dz::ListFolderRows(folder);
    dz::SortRows(m_rows, m_sort);
    Fill({}, {});
    StartReadingLengths();
    UpdateDetails();
}

void CFileView::OnIdle(wxIdleEvent& event) {
    event.Skip();
    if (!ReadingLengths())
        return;
    const long top = m_wndList.GetTopItem();
    if (top == m_factsTop || top < 0 || static_cast<size_t>(top) >= m_rows.size())
        return;
    m_factsTop = top;
    // Only when what came into view is still to be read: a run that already
    // passed it goes on undisturbed.
    if (m_rows[static_cast<size_t>(top)].lengthText.empty() &&
        dz::IsPartFileName(m_rows[static_cast<size_t>(top)].realFileName))
        StartReadingLengths(true);
}

void CFileView::StartReadingLengths(bool onlyMissing) {
    if (m_factsRun) {
        m_factsRun->Cancel();
        m_retiredRuns.push_back(std::move(m_factsRun));
    }
    std::erase_if(m_retiredRuns, [](const auto& run) { return run->Finished(); });
    m_factsNames.clear();
    std::vector<std::u16string> paths;
    const long top = m_wndList.GetTopItem();
    m_factsTop = top > 0 ? top : 0;
    for (size_t i : dz::VisibleFirstOrder(m_rows.size(), static_cast<size_t>(m_factsTop))) {
        const std::u16string& name = m_rows[i].realFileName;
        if (!dz::IsPartFileName(name) || (onlyMissing && !m_rows[i].lengthText.empty()))
            continue;
        m_factsNames.push_back(name);
        paths.push_back(dz::platform::JoinPath(m_folder, name));
    }
    if (!paths.empty())
        m_factsRun =
            dz::convert::StartFactsRun(std::move(paths), WindowFactsCache(), m_wake.Wake());
}

void CFileView::ServeFacts() {
    if (m_factsRun)
        m_factsRun->Serve([this](const dz::convert::FoundFactsBatch& batch) { OnFacts(batch); });
}

void CFileView::OnFacts(const dz::convert::FoundFactsBatch& batch) {
    for (const dz::convert::FoundFacts& found : batch) {
        if (found.index >= m_factsNames.size())
            continue;
        const auto row = m_rowOf.find(m_factsNames[found.index]);
        if (row == m_rowOf.end())
            continue;
        dz::ShowLengthInRow(m_rows[row->second], found.facts.length);
        m_wndList.SetItem(static_cast<long>(row->second), kLength,
                          ToWx(m_rows[row->second].lengthText));
    }
    // A list in length order takes the rows to their places as their
    // lengths come in: every little while, and at once for the last ones.
    if (m_sort.column != dz::RowSortColumn::Length)
        return;
    if (!ReadingLengths()) {
        m_lengthSortTimer.Stop();
        SetSort(m_sort);
    } else if (!m_lengthSortTimer.IsRunning()) {
        m_lengthSortTimer.StartOnce(kLengthSortInterval);
    }
}

void CFileView::RefreshFolder() {
    std::vector<std::u16string> selected;
    for (const dz::SelectedRow& row : SelectedRowTexts())
        selected.push_back(row.column1);
    const std::u16string focused = FocusedRealName();
    const long top = m_wndList.GetTopItem();
    const std::u16string topName = RealFileName(top);
    // Lengths already shown stay while they are read again (from the cache
    // for a recording unchanged), rather than blinking out.
    std::unordered_map<std::u16string, dz::FileListRow> before;
    for (const dz::FileListRow& row : m_rows)
        before.emplace(row.realFileName, row);
    m_rows = dz::ListFolderRows(m_folder);
    for (dz::FileListRow& row : m_rows) {
        const auto old = before.find(row.realFileName);
        if (old != before.end() && old->second.sizeBytes == row.sizeBytes) {
            row.lengthText = old->second.lengthText;
            row.lengthKey = old->second.lengthKey;
        }
    }
    dz::SortRows(m_rows, m_sort);
    Fill(selected, focused);
    // Back to the same first visible row, if it is still there.
    if (const long row = FindRow(topName); row >= 0 && m_wndList.GetItemCount() > 0) {
        m_wndList.EnsureVisible(m_wndList.GetItemCount() - 1);
        m_wndList.EnsureVisible(row);
    }
    StartReadingLengths();
    UpdateDetails();
}

void CFileView::Fill(const std::vector<std::u16string>& selected, const std::u16string& focused) {
    m_tipRow = -1;
    m_wndList.Freeze();
    m_wndList.DeleteAllItems();
    m_rowOf.clear();
    long n = 0;
    for (const dz::FileListRow& row : m_rows) {
        m_rowOf.emplace(row.realFileName, static_cast<size_t>(n));
        const long item = m_wndList.InsertItem(n, ToWx(row.fileName));
        m_wndList.SetItem(item, kSize, ToWx(row.sizeText));
        m_wndList.SetItem(item, kDate, ToWx(row.dateText));
        if (!row.lengthText.empty())
            m_wndList.SetItem(item, kLength, ToWx(row.lengthText));
        const bool isSelected =
            std::find(selected.begin(), selected.end(), row.realFileName) != selected.end();
        long state = isSelected ? wxLIST_STATE_SELECTED : 0;
        if (!focused.empty() && row.realFileName == focused)
            state |= wxLIST_STATE_FOCUSED;
        if (state)
            m_wndList.SetItemState(item, state, state);
        if (!row.problem.empty())
            m_wndList.SetItemTextColour(item, MarkColour());
        ++n;
    }
    m_wndList.Thaw();
}

std::u16string CFileView::RealFileName(long item) const {
    // The rows are held in list order; the hidden column itself stays empty,
    // since the list would draw a sliver of its text.
    return item >= 0 && static_cast<size_t>(item) < m_rows.size()
               ? m_rows[static_cast<size_t>(item)].realFileName
               : std::u16string();
}

long CFileView::FindRow(const std::u16string& realFileName) const {
    if (realFileName.empty())
        return -1;
    const auto row = m_rowOf.find(realFileName);
    return row == m_rowOf.end() ? -1 : static_cast<long>(row->second);
}

void CFileView::SelectAll() {
    for (long i = 0; i < m_wndList.GetItemCount(); ++i)
        m_wndList.SetItemState(i, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

std::u16string CFileView::FocusedRealName() const {
    const long item = m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    return item >= 0 ? RealFileName(item) : std::u16string();
}

std::u16string CFileView::FocusedRecording() const {
    long item = m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    if (item < 0 || m_wndList.GetItemState(item, wxLIST_STATE_SELECTED) == 0)
        item = m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (item < 0)
        return {};
    const std::u16string name = RealFileName(item);
    return dz::IsPartFileName(name) ? name : std::u16string();
}

std::optional<dz::SelectedRow> CFileView::FocusedRow() const {
    long item = m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    if (item < 0 || m_wndList.GetItemState(item, wxLIST_STATE_SELECTED) == 0)
        item = m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (item < 0)
        return std::nullopt;
    return dz::SelectedRow{FromWx(m_wndList.GetItemText(item, kFileName)), RealFileName(item)};
}

uint64_t CFileView::SelectedBytes() const {
    uint64_t bytes = 0;
    for (long item = m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = m_wndList.GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        if (static_cast<size_t>(item) < m_rows.size() &&
            m_rows[static_cast<size_t>(item)].sizeBytes > 0)
            bytes += static_cast<uint64_t>(m_rows[static_cast<size_t>(item)].sizeBytes);
    }
    return bytes;
}

bool CFileView::HasSelection() const {
    return m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED) != -1;
}

std::vector<dz::SelectedRow> CFileView::SelectedRowTexts() const {
    std::vector<dz::SelectedRow> rows;
    for (long item = m_wndList.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = m_wndList.GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        rows.push_back({FromWx(m_wndList.GetItemText(item, kFileName)), RealFileName(item)});
    }
    return rows;
}
