#pragma once
// Shared by the dialog and command tests: a modal run that cannot hang the
// test program, and helpers to press a dialog's buttons from inside its run.
#include "recording/RecordingName.h"
#include "support/temp_dir.h"

#include "app/MainFrame.h"
#include "app/wx_text.h"
#include "panes/FileView.h"
#include "support/gui_test.h"

#include <wx/dialog.h>
#include <wx/listctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dz::test {

// Aborts the program when a modal run outlives its time: a hung window test
// must fail loudly, not stall the whole suite.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit, const char* what = "modal run")
        : m_thread([this, limit, what] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "watchdog: %s did not end within %llds\n", what,
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

inline int RunModal(wxDialog& dialog, std::chrono::seconds limit = std::chrono::seconds(30)) {
    Watchdog watchdog(limit);
    return dialog.ShowModal();
}

// Presses a button of the dialog as a click would, from its event queue.
inline void PostButton(wxWindow& dialog, int id) {
    dialog.GetEventHandler()->CallAfter([&dialog, id] {
        wxCommandEvent click(wxEVT_BUTTON, id);
        click.SetEventObject(&dialog);
        dialog.GetEventHandler()->ProcessEvent(click);
    });
}

// The modal dialog of this kind that is running now, if any.
template <class T> T* FindModalDialog() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<T*>(window); dialog && dialog->IsModal())
            return dialog;
    return nullptr;
}

// Runs a command of the frame as the menu and the toolbar do.
inline void RunCommand(CMainFrame& frame, int id) {
    wxCommandEvent command(wxEVT_MENU, id);
    command.SetEventObject(&frame);
    frame.GetEventHandler()->ProcessEvent(command);
}

// Gives the focus to a pane's control and waits until the frame sees it there.
inline bool FocusPane(CMainFrame& frame, wxWindow& control, FocusedPane pane) {
    control.SetFocus();
    return PumpUntil([&] { return frame.GetFocusedPane() == pane; }, std::chrono::seconds(5));
}

// The real file names (column 1) a list shows, in list order.
inline std::vector<std::string> ListedFiles(const CFileView& view) {
    std::vector<std::string> names;
    for (long i = 0; i < view.m_wndList.GetItemCount(); ++i)
        names.push_back(
            view.m_wndList.GetItemText(i, CFileView::kRealFileName).ToStdString(wxConvUTF8));
    return names;
}

// Selects the rows whose real file name is one of names; false when one is missing.
inline bool SelectFiles(CFileView& view, const std::vector<std::string>& names) {
    size_t found = 0;
    wxListCtrl& list = view.m_wndList;
    for (long i = 0; i < list.GetItemCount(); ++i) {
        const std::string name =
            list.GetItemText(i, CFileView::kRealFileName).ToStdString(wxConvUTF8);
        const bool wanted = std::find(names.begin(), names.end(), name) != names.end();
        list.SetItemState(i, wanted ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
        found += wanted;
    }
    return found == names.size();
}

inline std::u16string U16(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}
inline std::u16string U16(const std::filesystem::path& p) {
    return U16(p.string());
}

// A recording as the recorder leaves it: parts NAME_#PPP_STAMP.AVR, each
// with its own bytes, and the companion NAME_#001_STAMP.AVF whose head holds
// the part count and the total size. Names are given for part 1, without
// extension.
struct TestRecording {
    std::string base = "NEWS_#001_200612241930";
    std::vector<size_t> partSizes = {134 + 100000, 70000, 300};
    int partCount = -1;          // in the head; -1 = the number of parts
    size_t companionSize = 9000; // below 8,008 the head is unreadable

    std::string Part(int p) const {
        std::string name = base;
        char digits[16];
        std::snprintf(digits, sizeof digits, "%03d", p);
        name.replace(name.find("_#") + 2, 3, digits);
        return name + ".AVR";
    }
    std::string Companion() const { return base + ".AVF"; }
    std::vector<std::string> Files() const {
        std::vector<std::string> files{Companion()};
        for (size_t p = 1; p <= partSizes.size(); ++p)
            files.push_back(Part(static_cast<int>(p)));
        return files;
    }
    void Make(const std::filesystem::path& folder) const {
        std::vector<uint8_t> head = PatternBytes(companionSize, 7);
        uint64_t total = 0;
        for (size_t size : partSizes)
            total += size;
        auto put = [&head](size_t at, uint64_t v, int bytes) {
            for (int i = bytes - 1; i >= 0; --i, v >>= 8)
                if (at + static_cast<size_t>(i) < head.size())
                    head[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v);
        };
        put(kCompanionPartCountOffset,
            static_cast<uint64_t>(partCount < 0 ? static_cast<int>(partSizes.size()) : partCount),
            2);
        put(kCompanionTotalSizeOffset, total, 8);
        WriteFile(folder / Companion(), head);
        for (size_t p = 0; p < partSizes.size(); ++p)
            WriteFile(folder / Part(static_cast<int>(p) + 1),
                      PatternBytes(partSizes[p], static_cast<uint8_t>(20 + p)));
    }
};

inline bool AllIn(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    for (const std::string& n : names)
        if (!std::filesystem::exists(folder / n))
            return false;
    return true;
}
inline bool NoneIn(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    for (const std::string& n : names)
        if (std::filesystem::exists(folder / n))
            return false;
    return true;
}

} // namespace dz::test
