#include "platform/folder_path.h"

#include "common/text.h"
#include "platform/platform.h"

#include <filesystem>
#include <system_error>

namespace dz::platform {

std::u16string AbsoluteFolder(const std::u16string& typed) {
    if (typed.empty())
        return typed;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(ToPath(typed), ec);
    if (ec)
        return typed;
    return WithoutSeparator(FromPath(absolute.lexically_normal()).value_or(typed));
}

std::u16string ResolvedPath(const std::u16string& path) {
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(ToPath(path), ec);
    if (ec)
        return path;
    return FromPath(resolved).value_or(path);
}

bool EndsWithSeparator(std::u16string_view path) {
    return !path.empty() && path.back() == kSeparator;
}

std::u16string WithSeparator(std::u16string path) {
    if (!EndsWithSeparator(path))
        path += kSeparator;
    return path;
}

std::u16string WithoutSeparator(std::u16string path) {
    while (path.size() > 1 && EndsWithSeparator(path))
        path.pop_back();
    return path;
}

std::u16string LastComponent(std::u16string_view path) {
    if (EndsWithSeparator(path))
        path.remove_suffix(1);
    const size_t slash = path.rfind(kSeparator);
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

size_t LastSeparator(std::u16string_view path) {
    return kSeparator == u'/' ? path.rfind(kSeparator) : path.find_last_of(u"\\/");
}

std::u16string FolderOf(std::u16string_view path) {
    const size_t cut = LastSeparator(path);
    if (cut == std::u16string_view::npos)
        return u".";
    return std::u16string(path.substr(0, cut == 0 ? 1 : cut));
}

std::u16string NearestExistingFolder(const std::u16string& folder,
                                     const std::function<bool(const std::u16string&)>& exists) {
    std::u16string path = folder;
    while (!path.empty()) {
        if (exists(path))
            return path;
        if (LastSeparator(path) == std::u16string::npos)
            return {};
        std::u16string parent = FolderOf(path);
        if (parent == path) // the root itself is gone
            return {};
        path = std::move(parent);
    }
    return {};
}

std::vector<std::u16string> PathComponents(std::u16string_view path, size_t from) {
    std::vector<std::u16string> parts;
    size_t start = from;
    while (start < path.size()) {
        size_t end = path.find(kSeparator, start);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool IsUnder(std::u16string_view path, std::u16string_view root) {
    if (root.empty() || path.substr(0, root.size()) != root)
        return false;
    return EndsWithSeparator(root) || path.size() == root.size() || path[root.size()] == kSeparator;
}

std::optional<size_t> CoveringRoot(std::u16string_view path,
                                   const std::vector<std::u16string>& roots) {
    const std::u16string upperPath = ToUpperAZ(path);
    std::optional<size_t> best;
    for (size_t i = 0; i < roots.size(); ++i) {
        const std::u16string upperRoot = ToUpperAZ(roots[i]);
        if (IsUnder(upperPath, upperRoot) && (!best || roots[i].size() > roots[*best].size()))
            best = i;
    }
    return best;
}

bool FolderExistsAnyCase(const std::u16string& path) {
    if (FolderExists(path))
        return true;
    // Only a full path can be walked from the root.
    if (path.empty() || path.front() != kSeparator)
        return false;
    std::u16string current(1, kSeparator);
    for (const std::u16string& part : PathComponents(path)) {
        const std::u16string exact = JoinPath(current, part);
        if (FolderExists(exact)) {
            current = exact;
            continue;
        }
        std::vector<FolderName> entries;
        if (!SearchFolderNames(current, entries))
            return false;
        const FolderName* match = nullptr;
        for (const FolderName& entry : entries) {
            if (entry.isFolder && EqualNoCaseAZ(entry.name, part)) {
                match = &entry;
                break;
            }
        }
        if (!match)
            return false;
        current = JoinPath(current, match->name);
    }
    return true;
}

std::optional<FolderWalk> PlanFolderWalk(const std::u16string& path,
                                         const std::vector<std::u16string>& roots) {
    const std::u16string work = WithoutSeparator(path);
    const std::optional<size_t> root = CoveringRoot(work, roots);
    if (!root || !FolderExistsAnyCase(work))
        return std::nullopt;
    return FolderWalk{*root, PathComponents(work, roots[*root].size())};
}

bool LabelMatchesStep(std::u16string_view label, std::u16string_view step) {
    return EqualNoCaseAZ(label, step);
}

} // namespace dz::platform
