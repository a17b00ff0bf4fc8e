#pragma once
// A fixed grid of 2 x 2 panes with one movable bar between the columns and
// one between the rows: both rows share the column widths, so the trees and
// the lists always line up. Column 0 keeps its width when the window is
// resized; the rows keep their proportions (a maximised window gets two
// rows as even as they were), and the last column and row take what is left.
#include <wx/window.h>

class CPaneSplitter : public wxWindow {
public:
    static constexpr int kRows = 2;
    static constexpr int kColumns = 2;

    CPaneSplitter() = default;
    bool Create(wxWindow* parent, wxWindowID id);

    // The pane must have been created with this splitter as its parent.
    void SetPane(int row, int column, wxWindow* pane);
    wxWindow* GetPane(int row, int column) const { return m_panes[row][column]; }

    void SetColumnWidth(int width) { m_column0 = width; }
    // Row 0's height for the splitter's height now, or for the given
    // height of the splitter, from which it is scaled to the height now.
    void SetRowHeight(int height, int forHeight = 0);
    int GetColumnWidth() const { return m_column0; }
    // Row 0's height as laid out now.
    int GetRowHeight() const { return ClampedRow(); }
    int GetBarSize() const;

    // Places the panes for the current size.
    void RecalcLayout();

private:
    enum Drag { kNone = 0, kColumnBar = 1, kRowBar = 2 };
    int HitTest(const wxPoint& p) const;
    int ClampedColumn() const;
    int ClampedRow() const;
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);

    wxWindow* m_panes[kRows][kColumns] = {};
    int m_column0 = 0;
    int m_row0 = 0;
    int m_rowFor = 0; // the splitter height m_row0 was set for; 0: unscaled
    int m_drag = kNone;
    wxPoint m_dragOffset;
};
