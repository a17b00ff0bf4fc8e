#pragma once
// A fixed grid of 2 x 2 panes with one movable bar between the columns and
// one between the rows: both rows share the column widths, so the trees and
// the lists always line up. Column 0 and row 0 keep their sizes when the
// window is resized; the last column and row take what is left.
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
    void SetRowHeight(int height) { m_row0 = height; }
    int GetColumnWidth() const { return m_column0; }
    int GetRowHeight() const { return m_row0; }
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
    int m_drag = kNone;
    wxPoint m_dragOffset;
};
