#include "ui/panes/FolderView.h"

#include "ui/app/resource.h"
#include "ui/panes/PaneMark.h"

#include <wx/toplevel.h>

#include <algorithm>

wxDEFINE_EVENT(EVT_FOLDER_SELECTED, wxCommandEvent);

CFolderView* FolderViewOf(const wxCommandEvent& event) {
    return static_cast<CFolderView*>(event.GetClientData());
}

bool CFolderView::Create(wxWindow* parent, wxWindowID id, const wxSize& size) {
    if (!wxPanel::Create(parent, id, wxDefaultPosition, size, wxBORDER_NONE))
        return false;
    if (!m_wndTree.Create(this, IDC_FOLDER_TREE))
        return false;
    m_wndTree.SetSize(kPaneMarkWidth, kPaneMarkWidth,
                      std::max(GetClientSize().x - 2 * kPaneMarkWidth, 0),
                      std::max(GetClientSize().y - 2 * kPaneMarkWidth, 0));
    Bind(wxEVT_SIZE, &CFolderView::OnSize, this);
    m_wndTree.Bind(wxEVT_TREE_SEL_CHANGED, &CFolderView::OnTreeSelChanged, this);
    // A tree without drives is still a working pane; its error is kept.
    m_wndTree.Rebuild();
    return true;
}

void CFolderView::OnSize(wxSizeEvent& event) {
    event.Skip();
    m_wndTree.SetSize(kPaneMarkWidth, kPaneMarkWidth,
                      std::max(GetClientSize().x - 2 * kPaneMarkWidth, 0),
                      std::max(GetClientSize().y - 2 * kPaneMarkWidth, 0));
}

void CFolderView::OnTreeSelChanged(wxTreeEvent& event) {
    m_strPath = m_wndTree.GetItemPath(event.GetItem());
    // Posted, and carrying the view rather than the path: the frame reads
    // m_strPath when it gets there.
    if (wxWindow* frame = wxGetTopLevelParent(this)) {
        auto* selected = new wxCommandEvent(EVT_FOLDER_SELECTED);
        selected->SetClientData(this);
        wxQueueEvent(frame, selected);
    }
}
