// The shown folders, followed with the system's change notification
// (FindFirstChangeNotificationW): a waitable handle per folder that is
// signalled when its entries change. Unlike ReadDirectoryChangesW it leaves
// no buffer with the system that a late completion could write into after
// the watch is gone. Folders the system will not watch are polled.
#include "platform/desktop.h"

#include "platform/platform.h"
#include "platform/win32/win32_text.h"

#include <algorithm>

namespace dz::desktop {
namespace {

constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                           FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

// What a poll compares: every entry's name, kind, size and creation time.
std::vector<uint64_t> FingerprintOf(const std::u16string& folder) {
    std::vector<platform::FolderEntry> entries;
    if (!platform::SearchFolder(folder, entries))
        return {};
    std::vector<uint64_t> print;
    print.reserve(entries.size());
    for (const platform::FolderEntry& entry : entries) {
        uint64_t hash = 1469598103934665603ull; // FNV-1a over the entry
        const auto mix = [&hash](uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
        for (const char16_t c : entry.name)
            mix(c);
        mix(entry.isFolder);
        mix(entry.size);
        mix(static_cast<uint64_t>(entry.creationTime));
        print.push_back(hash);
    }
    // The system lists in an order of its own; the set is what counts.
    std::sort(print.begin(), print.end());
    return print;
}

} // namespace

FolderWatcher::~FolderWatcher() {
    Stop();
}

void FolderWatcher::Watch(const std::vector<std::u16string>& folders,
                          std::function<void(const std::u16string&)> onChange) {
    Stop();
    m_onChange = std::move(onChange);
    for (const std::u16string& folder : folders) {
        if (folder.empty() ||
            std::find(m_notifiedFolders.begin(), m_notifiedFolders.end(), folder) !=
                m_notifiedFolders.end() ||
            std::any_of(m_polled.begin(), m_polled.end(),
                        [&](const Polled& p) { return p.folder == folder; }))
            continue;
        const HANDLE change =
            FindFirstChangeNotificationW(platform::win32::ApiPath(folder).c_str(), FALSE, kChanges);
        if (change != INVALID_HANDLE_VALUE) {
            m_notifiedFolders.push_back(folder);
            m_notified.push_back(change);
        } else {
            m_polled.push_back({folder, FingerprintOf(folder)});
        }
    }
    if (m_notified.empty() && m_polled.empty())
        return;
    m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_stop) {
        Stop();
        return;
    }
    m_thread = std::thread([this] { Run(); });
}

void FolderWatcher::Run() {
    // The thread's own lists: a folder whose notification breaks moves to
    // the polled ones, while the counts stay what Watch set up.
    std::vector<HANDLE> handles{m_stop};
    handles.insert(handles.end(), m_notified.begin(), m_notified.end());
    std::vector<std::u16string> folders{std::u16string()};
    folders.insert(folders.end(), m_notifiedFolders.begin(), m_notifiedFolders.end());
    std::vector<Polled> polled = m_polled;
    for (;;) {
        const DWORD timeout = polled.empty() ? INFINITE : kPollMs;
        const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                    handles.data(), FALSE, timeout);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            return;
        if (result == WAIT_TIMEOUT) {
            for (Polled& entry : polled) {
                std::vector<uint64_t> now = FingerprintOf(entry.folder);
                if (now == entry.fingerprint)
                    continue;
                entry.fingerprint = std::move(now);
                m_onChange(entry.folder);
            }
            continue;
        }
        const size_t index = result - WAIT_OBJECT_0;
        if (index < 1 || index >= handles.size())
            return;
        m_onChange(folders[index]);
        // Rearmed before anything else changes, so no change goes unseen.
        if (FindNextChangeNotification(handles[index]))
            continue;
        // The handle is closed with the others by Stop.
        polled.push_back({folders[index], FingerprintOf(folders[index])});
        handles.erase(handles.begin() + static_cast<ptrdiff_t>(index));
        folders.erase(folders.begin() + static_cast<ptrdiff_t>(index));
    }
}

void FolderWatcher::Stop() {
    if (m_thread.joinable()) {
        SetEvent(m_stop);
        m_thread.join();
    }
    for (void* change : m_notified)
        FindCloseChangeNotification(change);
    m_notified.clear();
    m_notifiedFolders.clear();
    m_polled.clear();
    if (m_stop)
        CloseHandle(m_stop);
    m_stop = nullptr;
}

} // namespace dz::desktop
