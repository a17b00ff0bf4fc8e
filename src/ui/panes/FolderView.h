#pragma once
// The left pane of a row: the folder tree, and the folder its selection
// names. Every change of the selection is announced to the main window with
// a posted EVT_FOLDER_SELECTED that carries this view, so the row's file
// list follows after the tree has finished its own handling.
#include "ui/panes/FolderTreeCtrl.h"

#include <wx/event.h>
#include <wx/panel.h>

#include <string>

class CFolderView;
wxDECLARE_EVENT(EVT_FOLDER_SELECTED, wxCommandEvent);

// The view that posted an EVT_FOLDER_SELECTED.
CFolderView* FolderViewOf(const wxCommandEvent& event);

class CFolderView : public wxPanel {
public:
    CFolderView() = default;
    // Creates the pane and its tree, and lists the drives at once.
    bool Create(wxWindow* parent, wxWindowID id, const wxSize& size);

    void OnInitialUpdate() {}

    CFolderTreeCtrl m_wndTree;
    // The selected item's folder ("/media/rec/REC"); empty until the first
    // selection. A Rebuild of the tree leaves it alone, so that it can be
    // handed back to SelectPath.
    std::u16string m_strPath;

private:
    void OnSize(wxSizeEvent& event);
    void OnTreeSelChanged(wxTreeEvent& event);
};
