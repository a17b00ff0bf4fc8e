#include "ui/panes/FolderTreeCtrl.h"

#include "common/SortStringArray.h"
#include "common/list_text.h"
#include "common/text.h"
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

constexpr char16_t kSep = dz::platform::kSeparator;

bool EndsWithSeparator(const std::u16string& s) {
    return !s.empty() && s.back() == kSep;
}

std::u16string WithSeparator(std::u16string s) {
    if (!EndsWithSeparator(s))
        s += kSep;
    return s;
}

// Trailing separators dropped, except that the root stays "/".
std::u16string WithoutSeparator(std::u16string s) {
    while (s.size() > 1 && EndsWithSeparator(s))
        s.pop_back();
    return s;
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
    return EndsWithSeparator(folder) ? folder + name : folder + kSep + name;
}

// Whether path lies in or is the folder root, comparing whole components:
// "/media/rec" holds "/media/rec/REC" but not "/media/record".
bool IsUnder(const std::u16string& path, const std::u16string& root) {
    if (root.empty() || path.compare(0, root.size(), root) != 0)
        return false;
    return EndsWithSeparator(root) || path.size() == root.size() || path[root.size()] == kSep;
}

std::vector<std::u16string> Components(const std::u16string& path, size_t from) {
    std::vector<std::u16string> parts;
    std::u16string part;
    for (size_t i = from; i < path.size(); ++i) {
        if (path[i] != kSep) {
            part += path[i];
            continue;
        }
        if (!part.empty())
            parts.push_back(std::move(part));
        part.clear();
    }
    if (!part.empty())
        parts.push_back(std::move(part));
    return parts;
}

// The recorder's world names folders without regard to A-Z case; on a
// case-sensitive file system a folder typed in another case is found by
// looking each step up in its parent.
bool FolderExistsAnyCase(const std::u16string& path) {
    if (dz::platform::FolderExists(path))
        return true;
    if (path.empty() || path.front() != kSep)
        return false;
    std::u16string current(1, kSep);
    for (const std::u16string& part : Components(path, 0)) {
        const std::u16string exact = Join(current, part);
        if (dz::platform::FolderExists(exact)) {
            current = exact;
            continue;
        }
        std::vector<dz::platform::FolderEntry> entries;
        if (!dz::platform::SearchFolder(current, entries))
            return false;
        bool found = false;
        for (const auto& entry : entries) {
            if (entry.isFolder && dz::EqualNoCaseAZ(entry.name, part)) {
                current = Join(current, entry.name);
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

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
    std::u16string s = path;
    if (EndsWithSeparator(s))
        s.pop_back();
    const size_t slash = s.rfind(kSep);
    return slash == std::u16string::npos ? s : s.substr(slash + 1);
}

bool CFolderTreeCtrl::HasSubfolder(const std::u16string& folder) {
    return dz::platform::HasSubfolder(folder);
}

void CFolderTreeCtrl::ListFolder(const wxTreeItemId& item, const std::u16string& folder) {
    CSortStringArray paths;
    std::vector<dz::platform::FolderEntry> entries;
    if (dz::platform::SearchFolder(folder, entries)) {
        for (const auto& entry : entries) {
            if (entry.isFolder)
                paths.Add(Join(folder, entry.name));
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
        path = Join(path, *label);
    return WithoutSeparator(path);
}

wxTreeItemId CFolderTreeCtrl::FindChildByLabel(const wxTreeItemId& parent,
                                               const std::u16string& text) const {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(parent, cookie); child.IsOk();
         child = GetNextChild(parent, cookie)) {
        if (dz::ToUpperAZ(FromWx(GetItemText(child))) == text)
            return child;
    }
    return {};
}

// Drive labels are whole paths here ("/", "/media/rec"), so the drive of a
// path is the one whose label covers it; of two that do, the longer is the
// mount the user browses it by.
wxTreeItemId CFolderTreeCtrl::DriveItemFor(const std::u16string& upperPath) const {
    wxTreeItemId best;
    size_t bestLength = 0;
    const wxTreeItemId root = GetRootItem();
    if (!root.IsOk())
        return best;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId drive = GetFirstChild(root, cookie); drive.IsOk();
         drive = GetNextChild(root, cookie)) {
        const std::u16string label = dz::ToUpperAZ(GetItemLabel(drive));
        if (IsUnder(upperPath, label) && label.size() > bestLength) {
            best = drive;
            bestLength = label.size();
        }
    }
    return best;
}

bool CFolderTreeCtrl::IsKnownFolder(const std::u16string& path) const {
    const std::u16string work = WithoutSeparator(dz::ToUpperAZ(path));
    if (!DriveItemFor(work).IsOk())
        return false;
    return FolderExistsAnyCase(WithoutSeparator(path));
}

bool CFolderTreeCtrl::SelectPath(const std::u16string& path) {
    if (!IsKnownFolder(path))
        return false;
    const std::u16string work = WithoutSeparator(dz::ToUpperAZ(path));
    wxTreeItemId node = DriveItemFor(work);
    const std::u16string driveLabel = dz::ToUpperAZ(GetItemLabel(node));

    // Every step is opened afresh: a level read before may be out of date.
    const auto reopen = [this](const wxTreeItemId& item) {
        if (IsExpanded(item))
            Collapse(item);
        Expand(item);
    };
    Freeze();
    reopen(node);
    for (const std::u16string& component : Components(work, driveLabel.size())) {
        node = FindChildByLabel(node, component);
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
