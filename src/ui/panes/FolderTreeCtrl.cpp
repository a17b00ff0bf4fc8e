#include "ui/panes/FolderTreeCtrl.h"

#include "common/SortStringArray.h"
#include "common/list_text.h"
#include "common/text.h"
#include "platform/folder_path.h"
#include "platform/platform.h"
#include "ui/wx_text.h"

#include <wx/artprov.h>
#include <wx/imaglist.h>
#include <wx/utils.h>

#include <vector>

namespace {

constexpr char16_t kNoImageList[] = u"Cannot retrieve the Handle of SystemImageList!";
constexpr char16_t kNoDrives[] = u"Error Getting Logical DriveStrings!";
constexpr char16_t kNoFileInfo[] = u"Error Gettting SystemFileInfo!";

enum Image { kDriveImage, kFolderImage, kOpenFolderImage };
constexpr int kIconSize = 16;

using dz::platform::JoinPath;
using dz::platform::WithoutSeparator;
using dz::platform::WithSeparator;

// A drive item shows more than its folder (the volume's name, the free
// space); the folder itself rides along as the item's data.
class DriveData : public wxTreeItemData {
public:
    explicit DriveData(std::u16string root) : m_root(std::move(root)) {}
    const std::u16string& Root() const { return m_root; }

private:
    std::u16string m_root;
};

} // namespace

std::u16string CFolderTreeCtrl::GetItemLabel(const wxTreeItemId& item) const {
    if (!item.IsOk())
        return {};
    if (const auto* drive = dynamic_cast<const DriveData*>(GetItemData(item)))
        return drive->Root();
    return FromWx(GetItemText(item));
}

void CFolderTreeCtrl::UpdateDriveLabels() {
    const wxTreeItemId root = GetRootItem();
    if (!root.IsOk())
        return;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId drive = GetFirstChild(root, cookie); drive.IsOk();
         drive = GetNextChild(root, cookie)) {
        const std::u16string path = GetItemLabel(drive);
        const std::optional<uint64_t> free = dz::platform::FreeSpace(path);
        SetItemText(drive, ToWx(dz::DriveLabelText(path, dz::platform::VolumeLabel(path),
                                                   free ? &*free : nullptr)));
    }
}

bool CFolderTreeCtrl::Create(wxWindow* parent, wxWindowID id) {
    // The root is hidden so that the drives stand side by side at the top.
    if (!wxTreeCtrl::Create(parent, id, wxDefaultPosition, wxDefaultSize,
                            wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxTR_SINGLE |
                                wxBORDER_NONE))
        return false;
    Bind(wxEVT_TREE_ITEM_EXPANDING, &CFolderTreeCtrl::OnItemExpanding, this);
    Bind(wxEVT_TREE_ITEM_COLLAPSED, &CFolderTreeCtrl::OnItemCollapsed, this);
    return true;
}

bool CFolderTreeCtrl::Rebuild() {
    if (HasFlag(wxTR_EDIT_LABELS))
        SetWindowStyleFlag(GetWindowStyleFlag() & ~wxTR_EDIT_LABELS);
    DeleteAllItems();
    if (!AttachSystemImageList())
        return false;
    return ListDrives();
}

bool CFolderTreeCtrl::AttachSystemImageList() {
    const wxSize size(kIconSize, kIconSize);
    const wxBitmap drive = wxArtProvider::GetBitmap(wxART_HARDDISK, wxART_OTHER, size);
    const wxBitmap folder = wxArtProvider::GetBitmap(wxART_FOLDER, wxART_OTHER, size);
    const wxBitmap open = wxArtProvider::GetBitmap(wxART_FOLDER_OPEN, wxART_OTHER, size);
    if (!drive.IsOk() || !folder.IsOk() || !open.IsOk()) {
        m_strLastError = kNoImageList;
        return false;
    }
    auto images = std::make_unique<wxImageList>(kIconSize, kIconSize, true, 3);
    // Art may come in another size; the list takes only its own.
    for (const wxBitmap& bitmap : {drive, folder, open}) {
        wxImage image = bitmap.ConvertToImage();
        if (image.GetWidth() != kIconSize || image.GetHeight() != kIconSize)
            image.Rescale(kIconSize, kIconSize, wxIMAGE_QUALITY_HIGH);
        images->Add(wxBitmap(image));
    }
    AssignImageList(images.release()); // the tree owns its list from here
    return true;
}

bool CFolderTreeCtrl::ListDrives() {
    DeleteAllItems();
    const std::vector<std::u16string> drives = dz::platform::DriveRoots();
    if (drives.empty()) {
        m_strLastError = kNoDrives;
        return false;
    }
    const wxTreeItemId root = AddRoot(wxString());
    for (const std::u16string& drive : drives) {
        const wxTreeItemId item = AddItem(root, drive);
        if (item.IsOk() && HasSubfolder(drive))
            AddPlaceholder(item);
    }
    return true;
}

wxTreeItemId CFolderTreeCtrl::AddItem(const wxTreeItemId& parent, const std::u16string& path) {
    const std::u16string work = WithSeparator(path);
    // A folder that cannot be looked at has no icons and is left out.
    if (!dz::platform::FolderExists(work)) {
        m_strLastError = kNoFileInfo;
        return {};
    }
    const bool isDrive = parent == GetRootItem();
    const int image = isDrive ? kDriveImage : kFolderImage;
    const int selectedImage = isDrive ? kDriveImage : kOpenFolderImage;
    if (!isDrive)
        return AppendItem(parent, ToWx(LastComponent(work)), image, selectedImage);
    const std::u16string root = WithoutSeparator(work);
    const std::optional<uint64_t> free = dz::platform::FreeSpace(root);
    const std::u16string label =
        dz::DriveLabelText(root, dz::platform::VolumeLabel(root), free ? &*free : nullptr);
    return AppendItem(parent, ToWx(label), image, selectedImage, new DriveData(root));
}

std::u16string CFolderTreeCtrl::LastComponent(const std::u16string& path) {
    return dz::platform::LastComponent(path);
}

bool CFolderTreeCtrl::HasSubfolder(const std::u16string& folder) {
    return dz::platform::HasSubfolder(folder);
}

void CFolderTreeCtrl::ListFolder(const wxTreeItemId& item, const std::u16string& folder) {
    dz::CSortStringArray paths;
    std::vector<dz::platform::FolderEntry> entries;
    if (dz::platform::SearchFolder(folder, entries)) {
        for (const auto& entry : entries) {
            if (entry.isFolder)
                paths.Add(JoinPath(folder, entry.name));
        }
    }
    paths.Sort();

    wxBusyCursor wait;
    Freeze();
    for (const std::u16string& path : paths.Items()) {
        const wxTreeItemId child = AddItem(item, path);
        if (child.IsOk() && HasSubfolder(path))
            AddPlaceholder(child);
    }
    Thaw();
}

void CFolderTreeCtrl::AddPlaceholder(const wxTreeItemId& item) {
    AppendItem(item, wxString());
}

bool CFolderTreeCtrl::IsPlaceholder(const wxTreeItemId& item) const {
    return item.IsOk() && GetItemText(item).empty();
}

void CFolderTreeCtrl::OnItemExpanding(wxTreeEvent& event) {
    if (event.GetItem() != GetRootItem())
        ExpandItem(event.GetItem());
}

void CFolderTreeCtrl::OnItemCollapsed(wxTreeEvent& event) {
    // A closed item forgets its subtree, so the next opening reads the disk.
    const wxTreeItemId item = event.GetItem();
    DeleteChildren(item);
    AddPlaceholder(item);
}

void CFolderTreeCtrl::ExpandItem(const wxTreeItemId& item) {
    DeleteChildren(item);
    ListFolder(item, GetItemPath(item));
}

std::u16string CFolderTreeCtrl::GetItemPath(const wxTreeItemId& item) const {
    std::vector<std::u16string> labels;
    for (wxTreeItemId it = item; it.IsOk() && it != GetRootItem(); it = GetItemParent(it))
        labels.push_back(GetItemLabel(it));
    if (labels.empty())
        return {};
    std::u16string path = labels.back();
    for (auto label = labels.rbegin() + 1; label != labels.rend(); ++label)
        path = JoinPath(path, *label);
    return WithoutSeparator(path);
}

wxTreeItemId CFolderTreeCtrl::FindChildByLabel(const wxTreeItemId& parent,
                                               const std::u16string& text) const {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(parent, cookie); child.IsOk();
         child = GetNextChild(parent, cookie)) {
        if (dz::platform::LabelMatchesStep(FromWx(GetItemText(child)), text))
            return child;
    }
    return {};
}

std::vector<wxTreeItemId> CFolderTreeCtrl::DriveItems() const {
    std::vector<wxTreeItemId> drives;
    const wxTreeItemId root = GetRootItem();
    if (!root.IsOk())
        return drives;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId drive = GetFirstChild(root, cookie); drive.IsOk();
         drive = GetNextChild(root, cookie))
        drives.push_back(drive);
    return drives;
}

std::vector<std::u16string> CFolderTreeCtrl::DriveLabels() const {
    std::vector<std::u16string> labels;
    for (const wxTreeItemId& drive : DriveItems())
        labels.push_back(GetItemLabel(drive));
    return labels;
}

bool CFolderTreeCtrl::IsKnownFolder(const std::u16string& path) const {
    return dz::platform::PlanFolderWalk(path, DriveLabels()).has_value();
}

bool CFolderTreeCtrl::SelectPath(const std::u16string& path) {
    // Drive labels are whole paths here ("/", "/media/rec"); the walk says
    // which one holds the folder and the steps below it.
    const std::optional<dz::platform::FolderWalk> walk =
        dz::platform::PlanFolderWalk(path, DriveLabels());
    if (!walk)
        return false;
    wxTreeItemId node = DriveItems()[walk->root];

    // Every step is opened afresh: a level read before may be out of date.
    const auto reopen = [this](const wxTreeItemId& item) {
        if (IsExpanded(item))
            Collapse(item);
        Expand(item);
    };
    Freeze();
    reopen(node);
    for (const std::u16string& step : walk->steps) {
        node = FindChildByLabel(node, step);
        if (!node.IsOk())
            break;
        reopen(node);
    }
    if (node.IsOk()) {
        SelectItem(node);
        EnsureVisible(node);
    }
    Thaw();
    return node.IsOk();
}
