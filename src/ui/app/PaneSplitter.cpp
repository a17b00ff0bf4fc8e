#include "ui/app/PaneSplitter.h"

#include <wx/dcclient.h>
#include <wx/renderer.h>

#include <algorithm>

bool CPaneSplitter::Create(wxWindow* parent, wxWindowID id) {
    if (!wxWindow::Create(parent, id, wxDefaultPosition, wxDefaultSize,
                          wxBORDER_NONE | wxCLIP_CHILDREN))
        return false;
    Bind(wxEVT_PAINT, &CPaneSplitter::OnPaint, this);
    Bind(wxEVT_SIZE, &CPaneSplitter::OnSize, this);
    Bind(wxEVT_LEFT_DOWN, &CPaneSplitter::OnMouse, this);
    Bind(wxEVT_LEFT_UP, &CPaneSplitter::OnMouse, this);
    Bind(wxEVT_MOTION, &CPaneSplitter::OnMouse, this);
    Bind(wxEVT_LEAVE_WINDOW, &CPaneSplitter::OnMouse, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CPaneSplitter::OnCaptureLost, this);
    return true;
}

void CPaneSplitter::SetPane(int row, int column, wxWindow* pane) {
    m_panes[row][column] = pane;
}

int CPaneSplitter::GetBarSize() const {
    // The platform's own sash width, so the bars look like every other.
    return std::max(4, wxRendererNative::Get().GetSplitterParams(this).widthSash);
}

int CPaneSplitter::ClampedColumn() const {
    return std::clamp(m_column0, 0, std::max(0, GetClientSize().x - GetBarSize()));
}

int CPaneSplitter::ClampedRow() const {
    return std::clamp(m_row0, 0, std::max(0, GetClientSize().y - GetBarSize()));
}

void CPaneSplitter::RecalcLayout() {
    const wxSize size = GetClientSize();
    const int bar = GetBarSize();
    const int x[kColumns] = {0, ClampedColumn() + bar};
    const int w[kColumns] = {ClampedColumn(), std::max(0, size.x - x[1])};
    const int y[kRows] = {0, ClampedRow() + bar};
    const int h[kRows] = {ClampedRow(), std::max(0, size.y - y[1])};
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            if (m_panes[r][c])
                m_panes[r][c]->SetSize(x[c], y[r], w[c], h[r]);
        }
    }
    Refresh();
}

void CPaneSplitter::OnSize(wxSizeEvent& event) {
    event.Skip();
    RecalcLayout();
}

void CPaneSplitter::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize size = GetClientSize();
    wxRendererNative& renderer = wxRendererNative::Get();
    renderer.DrawSplitterSash(this, dc, size, ClampedColumn(), wxVERTICAL);
    renderer.DrawSplitterSash(this, dc, size, ClampedRow(), wxHORIZONTAL);
}

int CPaneSplitter::HitTest(const wxPoint& p) const {
    const int bar = GetBarSize();
    int hit = kNone;
    if (p.x >= ClampedColumn() && p.x < ClampedColumn() + bar)
        hit |= kColumnBar;
    if (p.y >= ClampedRow() && p.y < ClampedRow() + bar)
        hit |= kRowBar;
    return hit;
}

void CPaneSplitter::OnMouse(wxMouseEvent& event) {
    const wxPoint p = event.GetPosition();
    if (event.LeftDown()) {
        m_drag = HitTest(p);
        if (m_drag == kNone)
            return;
        m_dragOffset = wxPoint(p.x - ClampedColumn(), p.y - ClampedRow());
        CaptureMouse();
        return;
    }
    if (event.LeftUp()) {
        if (m_drag != kNone && HasCapture())
            ReleaseMouse();
        m_drag = kNone;
        return;
    }
    if (event.Dragging() && m_drag != kNone) {
        if (m_drag & kColumnBar)
            m_column0 = p.x - m_dragOffset.x;
        if (m_drag & kRowBar)
            m_row0 = p.y - m_dragOffset.y;
        m_column0 = ClampedColumn();
        m_row0 = ClampedRow();
        RecalcLayout();
        Update();
        return;
    }
    const int hit = m_drag != kNone ? m_drag : HitTest(p);
    constexpr wxStockCursor kCursors[] = {wxCURSOR_ARROW, wxCURSOR_SIZEWE, wxCURSOR_SIZENS,
                                          wxCURSOR_SIZING};
    SetCursor(event.Leaving() || hit == kNone ? wxNullCursor : wxCursor(kCursors[hit]));
}

void CPaneSplitter::OnCaptureLost(wxMouseCaptureLostEvent&) {
    m_drag = kNone;
}
