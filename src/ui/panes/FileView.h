#pragma once
// The right pane of a row: the recordings and .mp3/.mem files of the folder
// selected in the row's tree, one row per recording. Column 1 is zero wide
// and keeps the real file name (part 1 of a recording) for the commands.
// The recordings' lengths fill in from a worker after the rows are shown;
// the details pane, when shown, sits below the list.
#include "convert/facts_worker.h"
#include "recording/folder_listing.h"
#include "transfer/transfer_checks.h"
#include "ui/window_wake.h"

#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CDetailsPane;

class CFileView : public wxPanel {
public:
    enum Column { kFileName, kRealFileName, kSize, kDate, kLength, kColumnCount };

    CFileView();
    ~CFileView() override;
    bool Create(wxWindow* parent, wxWindowID id, const wxSize& size);
    // The first time only: the columns, sized from the pane's width then.
    void OnInitialUpdate();

    // Lists folder afresh; an empty folder text empties the list.
    void ShowFolder(const std::u16string& folder);
    // Reads the shown folder again, keeping the selection, the focused row
    // and the scroll position wherever those rows still exist.
    void RefreshFolder();
    const std::u16string& GetFolder() const { return m_folder; }
    // The field above the list: it shows the folder, and a path typed into
    // it with Enter is handed to the function given here (the frame opens
    // it in the row's tree, which then shows it in this list).
    wxTextCtrl& PathField() { return *m_pPathField; }
    void OnPathTyped(std::function<void(const std::u16string&)> open) {
        m_openTypedPath = std::move(open);
    }

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

    // The details pane below the list: shown or not, and the pane itself.
    void ShowDetails(bool show);
    bool DetailsShown() const { return m_bDetailsShown; }
    CDetailsPane& Details() { return *m_pDetails; }

    // True while recordings' lengths are still being read.
    bool ReadingLengths() const { return m_factsRun && !m_factsRun->Finished(); }

    wxListCtrl m_wndList;

private:
    // Reads the lengths of the recordings listed (only those without one yet
    // when onlyMissing), the visible ones first; whatever an earlier run
    // still had to read is dropped.
    void StartReadingLengths(bool onlyMissing = false);
    // The list scrolled while lengths are read: the rows now in view go
    // first.
    void OnIdle(wxIdleEvent& event);
    void ServeFacts();
    void OnFacts(const dz::convert::FoundFactsBatch& batch);
    // The selection moved: the details pane follows, once the list settled.
    void OnSelectionChanged(wxListEvent& event);
    void UpdateDetails();
    void LayOut();
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
    // The row of each real file name, as the list shows them now.
    std::unordered_map<std::u16string, size_t> m_rowOf;
    dz::RowSort m_sort;

    CWindowWake<CFileView> m_wake{&CFileView::ServeFacts};
    std::unique_ptr<dz::convert::FactsRun> m_factsRun;
    std::vector<std::u16string> m_factsNames; // the real file names m_factsRun reads, in order
    long m_factsTop = 0;                      // the top visible row m_factsRun started from
    // A list in length order is sorted again at most this often while lengths
    // come in (a sort per batch would cost a large folder more than reading).
    wxTimer m_lengthSortTimer;
    // Runs dropped but still finishing their step, let go of once ended.
    std::vector<std::unique_ptr<dz::convert::FactsRun>> m_retiredRuns;
    CDetailsPane* m_pDetails = nullptr; // a child window
    wxTextCtrl* m_pPathField = nullptr; // a child window
    std::function<void(const std::u16string&)> m_openTypedPath;
    bool m_bDetailsShown = false;
    bool m_bDetailsPending = false; // an update of the details pane is queued
    long m_tipRow = -1;
};
