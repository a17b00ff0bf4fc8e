// Rows dragged from one row's list onto the other row's list or folder tree
// are copied there, or moved with Shift held, through the same command, the
// same checks and the same questions as the toolbar's Copy and Move.
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"

#include "ui/wx_text.h"

#include <wx/artprov.h>
#include <wx/dataobj.h>
#include <wx/dcmemory.h>
#include <wx/dnd.h>
#include <wx/settings.h>

#include <algorithm>
#include <vector>

namespace {

constexpr char kDragPrefix[] = "dezadide-rows:";

class CRowDropTarget : public wxDropTarget {
public:
    CRowDropTarget(CMainFrame* frame, int row, CFolderTreeCtrl* tree)
        : wxDropTarget(new wxTextDataObject), m_frame(frame), m_row(row), m_tree(tree) {
#ifdef __WXMSW__
        // wxMSW suggests a move whenever the source allows one (Ctrl for a
        // copy); a plain drag copies and Shift moves, as on the Linux
        // desktop, whose toolkit already suggests that and would not let
        // Shift move once a default is set.
        SetDefaultAction(wxDragCopy);
#endif
        // The marked folder may go while the drag runs (the folder follows
        // the disk): forget it then rather than touch a deleted item.
        if (m_tree)
            m_tree->Bind(wxEVT_TREE_DELETE_ITEM, [this](wxTreeEvent& event) {
                if (event.GetItem() == m_highlighted)
                    m_highlighted = wxTreeItemId();
                event.Skip();
            });
    }

    wxDragResult OnEnter(wxCoord x, wxCoord y, wxDragResult def) override {
        return OnDragOver(x, y, def);
    }

    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult def) override {
        // Rows never go back onto their own row: hovering it changes nothing,
        // least of all the folder the dragged rows come from.
        if (FromOwnRow())
            return wxDragNone;
        if (m_tree) {
            int flags = 0;
            // Only marked, not selected: the row's folder changes on the drop.
            Highlight(m_tree->HitTest(wxPoint(x, y), flags));
        }
        return def;
    }

    void OnLeave() override {
        Highlight({});
    }

    bool OnDrop(wxCoord, wxCoord) override {
        return !FromOwnRow();
    }

    wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult def) override {
        Highlight({});
        if (FromOwnRow() || !GetData())
            return wxDragNone;
        const wxString text = static_cast<wxTextDataObject*>(GetDataObject())->GetText();
        wxTreeItemId item;
        if (m_tree) {
            int flags = 0;
            item = m_tree->HitTest(wxPoint(x, y), flags);
        }
        const bool move = def == wxDragMove;
        // The job runs in a modal dialog: not inside the toolkit's drop.
        CMainFrame* frame = m_frame;
        const int row = m_row;
        frame->CallAfter(
            [frame, text, row, item, move] { frame->DropRows(text, row, item, move); });
        return move ? wxDragMove : wxDragCopy;
    }

private:
    bool FromOwnRow() const {
        return m_frame->DragSourceRow() == m_row;
    }

    void Highlight(const wxTreeItemId& item) {
        if (!m_tree || item == m_highlighted)
            return;
        if (m_highlighted.IsOk())
            m_tree->SetItemDropHighlight(m_highlighted, false);
        m_highlighted = item;
        if (m_highlighted.IsOk())
            m_tree->SetItemDropHighlight(m_highlighted, true);
    }

    CMainFrame* m_frame;
    int m_row;
    CFolderTreeCtrl* m_tree;
    wxTreeItemId m_highlighted;
};

} // namespace

wxIcon CMainFrame::MakeDragIcon(const wxString& what) {
    // What is carried, beside a file picture, on a small label: the
    // toolkit's own drag picture is an empty page.
    const wxBitmap file = wxArtProvider::GetBitmap(wxART_NORMAL_FILE, wxART_OTHER, wxSize(16, 16));
    wxBitmap label(1, 1);
    wxSize text;
    {
        wxMemoryDC measure(label);
        measure.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
        text = measure.GetTextExtent(what);
    }
    constexpr int kPad = 4;
    label.Create(16 + 3 * kPad + std::min(text.x, 240), std::max(16, text.y) + 2 * kPad, 24);
    {
        wxMemoryDC dc(label);
        dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK)));
        dc.Clear();
        dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(wxPoint(0, 0), label.GetSize());
        if (file.IsOk())
            dc.DrawBitmap(file, kPad, (label.GetHeight() - 16) / 2, true);
        dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
        dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
        dc.DrawText(what, 16 + 2 * kPad, (label.GetHeight() - text.y) / 2);
    }
    wxIcon icon;
    icon.CopyFromBitmap(label);
    return icon;
}

wxString CMainFrame::RowDragText(int row) {
    return wxString(kDragPrefix) + (row == kTopRow ? "top" : "bottom");
}

bool CMainFrame::DropRows(const wxString& dragText, int toRow, const wxTreeItemId& onFolder,
                          bool move) {
    int fromRow = -1;
    if (dragText == RowDragText(kTopRow))
        fromRow = kTopRow;
    else if (dragText == RowDragText(kBottomRow))
        fromRow = kBottomRow;
    if (fromRow < 0 || fromRow == toRow)
        return false;
    // Dropped on a folder of the tree: that folder is the destination.
    if (onFolder.IsOk())
        Row(toRow).folderView->m_wndTree.SelectItem(onFolder);
    TransferRows(fromRow, toRow, move);
    return true;
}

void CMainFrame::SetUpDragAndDrop() {
    for (int row : {kTopRow, kBottomRow}) {
        CFileView* list = Row(row).fileView;
        CFolderTreeCtrl* tree = &Row(row).folderView->m_wndTree;
        list->m_wndList.SetDropTarget(new CRowDropTarget(this, row, nullptr));
        tree->SetDropTarget(new CRowDropTarget(this, row, tree));
        list->m_wndList.Bind(wxEVT_LIST_BEGIN_DRAG, [this, list, row](wxListEvent&) {
            if (!list->HasSelection())
                return;
            wxTextDataObject data(RowDragText(row));
#ifdef __WXMSW__
            // Windows draws its own copy and move pointers during a drag;
            // its drag source takes cursors, not a picture.
            wxDropSource source(data, &list->m_wndList);
#else
            const std::vector<dz::SelectedRow> rows = list->SelectedRowTexts();
            const wxString what = rows.size() == 1 ? ToWx(rows.front().column0)
                                                   : wxString::Format("%zu entries", rows.size());
            const wxIcon icon = MakeDragIcon(what);
            wxDropSource source(data, &list->m_wndList, icon, icon, icon);
#endif
            SetDragSourceRow(row);
            source.DoDragDrop(wxDrag_AllowMove);
            SetDragSourceRow(std::nullopt);
        });
    }
}
