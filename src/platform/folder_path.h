#pragma once
// Folder paths as texts: separators, components, which drive root holds a
// path, and the walk that finds a folder typed in any A-Z letter case. The
// folder tree follows these rules item by item; they are decided here,
// without a window.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dz::platform {

bool EndsWithSeparator(std::u16string_view path);
std::u16string WithSeparator(std::u16string path);
// Trailing separators dropped, except that a root that is only a separator stays.
std::u16string WithoutSeparator(std::u16string path);
// The text after the last separator, one trailing separator ignored.
std::u16string LastComponent(std::u16string_view path);
// Where the last separator of path is; npos for a bare name. Windows paths
// may be written with "/" too.
size_t LastSeparator(std::u16string_view path);
// The folder that holds path: "." for a bare name, the root for a name
// right below it.
std::u16string FolderOf(std::u16string_view path);
// The folder itself when it exists, else its nearest parent that does (a
// remembered folder that has gone); empty when none does, or for a
// relative or empty text.
std::u16string NearestExistingFolder(const std::u16string& folder,
                                     const std::function<bool(const std::u16string&)>& exists);
// The non-empty texts between separators, from position `from` on.
std::vector<std::u16string> PathComponents(std::u16string_view path, size_t from = 0);
// A folder as the window would hold it: absolute against the working folder,
// without "." or "..", and without a trailing separator, so that checks and
// the recorder's location text see the same folder whatever way it was
// typed. The text as typed when it cannot be made absolute.
std::u16string AbsoluteFolder(const std::u16string& typed);
// The path as the file system resolves it (links, "..", "."), as far as it
// exists; the text itself when that fails.
std::u16string ResolvedPath(const std::u16string& path);

// Whether path is root or lies in it, comparing whole components:
// "/media/rec" holds "/media/rec/REC" but not "/media/record".
bool IsUnder(std::u16string_view path, std::u16string_view root);

// Of the drive roots, the one that holds path with A-Z folded on both
// sides; of two that do, the longer (the mount the user browses it by).
std::optional<size_t> CoveringRoot(std::u16string_view path,
                                   const std::vector<std::u16string>& roots);

// True when the folder exists, each step looked up in its parent with A-Z
// folded where the exact name does not exist (the recorder's world names
// folders without regard to case; this file system does not).
bool FolderExistsAnyCase(const std::u16string& path);

// The steps from a drive root down to a folder, for a tree that opens one
// level per step: which root, then each component below it.
struct FolderWalk {
    size_t root = 0;
    std::vector<std::u16string> steps;
};
// Nothing when no root holds the path or the folder does not exist in any case.
std::optional<FolderWalk> PlanFolderWalk(const std::u16string& path,
                                         const std::vector<std::u16string>& roots);
// Whether a tree item's label is the walk's step: A-Z folded, whole text.
bool LabelMatchesStep(std::u16string_view label, std::u16string_view step);

} // namespace dz::platform
