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

void CPaneSplitter::SetRowHeight(int height, int forHeight) {
    m_row0 = height;
    m_rowFor = forHeight > 0 ? forHeight : GetClientSize().y;
}

int CPaneSplitter::ClampedRow() const {
    const int height = GetClientSize().y;
    // Scaled from the height it was set for, never from the last layout, so
    // any number of resizes (maximise, restore, a new start) keeps it exact.
    const int row = m_rowFor > 0 && height > 0
                        ? static_cast<int>(static_cast<long long>(m_row0) * height / m_rowFor)
                        : m_row0;
    return std::clamp(row, 0, std::max(0, height - GetBarSize()));
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
        const int row = m_drag & kRowBar ? p.y - m_dragOffset.y : ClampedRow();
        m_column0 = ClampedColumn();
        SetRowHeight(std::clamp(row, 0, std::max(0, GetClientSize().y - GetBarSize())));
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
