#pragma once
// The drive-and-folder tree of a folder pane. Folders only, read one level at
// a time when an item is opened and read again at every opening; an item
// whose folder has subfolders carries an empty placeholder child until then,
// so that it shows an expand button. Items carry nothing but their label:
// a folder's path is always rebuilt from the labels.
#include <wx/treectrl.h>

#include <string>
#include <vector>

class CFolderTreeCtrl : public wxTreeCtrl {
public:
    CFolderTreeCtrl() = default;

    // Buttons, lines, the selection kept visible without focus.
    bool Create(wxWindow* parent, wxWindowID id);

    // Lists the drives from scratch, dropping everything else, the
    // selection included. False (and an empty tree) on failure.
    bool Rebuild();
    // Opens the items on the way to path, reading each level afresh, and
    // selects the last one. Letter case of A-Z does not matter. False, with
    // nothing selected, when the folder or any step towards it is gone.
    bool SelectPath(const std::u16string& path);
    // The folder of an item: drive label, then "/" and each label; no
    // trailing separator except for the root "/".
    std::u16string GetItemPath(const wxTreeItemId& item) const;
    // The name an item stands for in a path: a folder's label, a drive's
    // folder (its shown text adds the volume's name and free space).
    std::u16string GetItemLabel(const wxTreeItemId& item) const;
    // Reads each drive's free space (and name) again.
    void UpdateDriveLabels();
    // The drives the tree lists, as their folders, in the tree's order.
    std::vector<std::u16string> DriveLabels() const;

    bool AttachSystemImageList();
    bool ListDrives();
    // Adds the item for path under parent (the hidden root for a drive);
    // nothing when the folder's icons cannot be had.
    wxTreeItemId AddItem(const wxTreeItemId& parent, const std::u16string& path);
    static bool HasSubfolder(const std::u16string& folder);
    void ListFolder(const wxTreeItemId& item, const std::u16string& folder);
    void ExpandItem(const wxTreeItemId& item);
    wxTreeItemId FindChildByLabel(const wxTreeItemId& parent, const std::u16string& text) const;
    bool IsKnownFolder(const std::u16string& path) const;
    static std::u16string LastComponent(const std::u16string& path);

    bool IsPlaceholder(const wxTreeItemId& item) const;

    // The message of the last failure; nothing shows it.
    std::u16string m_strLastError;

private:
    void AddPlaceholder(const wxTreeItemId& item);
    std::vector<wxTreeItemId> DriveItems() const;
    void OnItemExpanding(wxTreeEvent& event);
    void OnItemCollapsed(wxTreeEvent& event);
};
