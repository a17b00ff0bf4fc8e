#pragma once
// The right pane of a row: the recordings and .mp3/.mem files of the folder
// selected in the row's tree, one row per recording. Column 1 is zero wide
// and keeps the real file name (part 1 of a recording) for the commands.
#include "recording/folder_listing.h"
#include "transfer/transfer_checks.h"

#include <wx/listctrl.h>
#include <wx/panel.h>

#include <array>
#include <optional>
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
    // Reads the shown folder again, keeping the selection, the focused row
    // and the scroll position wherever those rows still exist.
    void RefreshFolder();
    const std::u16string& GetFolder() const { return m_folder; }

    // The order of the rows: a header click sorts by its column, a second
    // click reverses. Each list keeps its own.
    dz::RowSort GetSort() const { return m_sort; }
    void SetSort(dz::RowSort sort);
    void SortByColumn(int column);

    void SelectAll();
    // The list's width inside the pane's mark.
    int ListWidth() const;
    // The widths shown now.
    std::array<int, kColumnCount> GetColumnWidths() const;
    // Widths for the list's width now, or for the given list width. From
    // then on the columns keep these proportions whenever the list changes
    // its width (they grow and shrink with the window), until the user
    // drags a column.
    void SetColumnWidths(const std::array<int, kColumnCount>& widths, int forWidth = 0);
    // The widths the columns are scaled from, and the list width they were
    // given for: what a next start needs to show the same columns.
    std::array<int, kColumnCount> GetBaseColumnWidths() const { return m_baseWidths; }
    int GetBaseListWidth() const { return m_nColumnsWidth; }
    // The file on disk behind a row (column 1, "Real File Name"); empty when
    // there is no such row.
    std::u16string RealFileName(long item) const;
    // The row of the entry whose real file name is given; -1 when none.
    long FindRow(const std::u16string& realFileName) const;
    // The real file name of the focused (or first selected) row, if a recording.
    std::u16string FocusedRecording() const;
    // Column 0 and column 1 of the focused row when it is selected, else of
    // the first selected row; nothing without a selection.
    std::optional<dz::SelectedRow> FocusedRow() const;
    // Why a row's recording is not whole, as its tool tip says; empty for a
    // whole one. Such rows are drawn in the mark colour.
    std::u16string RowProblem(long item) const;
    static wxColour MarkColour();
    // The window the rows are drawn in, which shows a marked row's tool tip.
    wxWindow* RowsWindow();

    bool HasSelection() const;
    // The bytes the selected rows hold, by the rule their Size column shows.
    uint64_t SelectedBytes() const;
    // Column 0 and column 1 of every selected row, in list order.
    std::vector<dz::SelectedRow> SelectedRowTexts() const;

    wxListCtrl m_wndList;

private:
    void OnSize(wxSizeEvent& event);
    void OnColumnClick(wxListEvent& event);
    void OnColumnBeginDrag(wxListEvent& event);
    // The tip follows the row under the pointer.
    void OnListMotion(wxMouseEvent& event);
    // Puts m_rows into the list; rows named in selected are selected again.
    void Fill(const std::vector<std::u16string>& selected, const std::u16string& focused);
    void ShowSortMark();
    std::u16string FocusedRealName() const;

    bool m_bColumnsMade = false;
    void ApplyColumnWidths();
    std::array<int, kColumnCount> m_baseWidths{};
    int m_nColumnsWidth = 0; // the list width m_baseWidths were given for
    std::u16string m_folder;
    std::vector<dz::FileListRow> m_rows;
    dz::RowSort m_sort;
    long m_tipRow = -1;
};
