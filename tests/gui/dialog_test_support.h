#pragma once
// Shared by the window tests: a modal run that cannot hang the test program,
// clicks and commands sent as the toolkit sends them, list selection and
// the files of a recording.
#include "common/text.h"
#include "recording/recording_files.h"
#include "support/temp_dir.h"

#include "support/gui_test.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/wx_text.h"

#include <wx/dialog.h>
#include <wx/listctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace dz::test {

// Aborts the program when a modal run outlives its time: a hung window test
// must fail loudly, not stall the whole suite.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit, const char* what = "modal run")
        : m_thread([ended = m_ended.get_future(), limit, what] {
              if (ended.wait_for(limit) == std::future_status::timeout) {
                  std::fprintf(stderr, "watchdog: %s did not end in time\n", what);
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        m_ended.set_value();
        m_thread.join();
    }

private:
    std::promise<void> m_ended; // before the thread that waits on it
    std::thread m_thread;
};

// When a window was first painted: the moment a work dialog counts its
// start from.
class FirstPaint {
public:
    explicit FirstPaint(wxWindow& window) {
        // Bound after the window's own handler, so it runs first and passes on.
        window.Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
            if (!m_at)
                m_at = std::chrono::steady_clock::now();
            event.Skip();
        });
    }
    std::optional<std::chrono::steady_clock::time_point> at() const { return m_at; }

private:
    std::optional<std::chrono::steady_clock::time_point> m_at;
};

inline int RunModal(wxDialog& dialog) {
    Watchdog watchdog(std::chrono::seconds(30));
    return dialog.ShowModal();
}

// A click on a button, handled now.
inline void Press(wxWindow& dialog, int id) {
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(&dialog);
    dialog.GetEventHandler()->ProcessEvent(click);
}
// A click on a button, from the dialog's event queue.
inline void PostButton(wxWindow& dialog, int id) {
    dialog.GetEventHandler()->CallAfter([&dialog, id] { Press(dialog, id); });
}

// The modal dialog of this kind that is running now, if any.
template <class T> T* FindModalDialog() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<T*>(window); dialog && dialog->IsModal())
            return dialog;
    return nullptr;
}

// Runs a command of the frame as the menu and the toolbar do; a command
// whose dialog never ends aborts the program.
inline void RunCommand(CMainFrame& frame, int id) {
    Watchdog watchdog(std::chrono::seconds(30), "command");
    wxCommandEvent command(wxEVT_MENU, id);
    command.SetEventObject(&frame);
    frame.GetEventHandler()->ProcessEvent(command);
}

// Gives the focus to a pane's control and waits until the frame sees it there.
inline bool FocusPane(CMainFrame& frame, wxWindow& control, FocusedPane pane) {
    control.SetFocus();
    return PumpUntil([&] { return frame.GetFocusedPane() == pane; }, std::chrono::seconds(5));
}

// The real file names (column 1) a list shows, sorted.
inline std::vector<std::string> ListedFiles(const CFileView& view) {
    std::vector<std::string> names;
    for (long i = 0; i < view.m_wndList.GetItemCount(); ++i)
        names.push_back(dz::ToUtf8(view.RealFileName(i)));
    std::sort(names.begin(), names.end());
    return names;
}

// Selects exactly the rows whose real file name is one of names; false when
// one is missing.
inline bool SelectFiles(CFileView& view, const std::vector<std::string>& names) {
    size_t found = 0;
    wxListCtrl& list = view.m_wndList;
    for (long i = 0; i < list.GetItemCount(); ++i) {
        const std::string name = dz::ToUtf8(view.RealFileName(i));
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
    return p.u16string();
}

// Every file of a recording: the companion, then the parts.
inline std::vector<std::string> RecordingFiles(const RecordingLayout& r) {
    std::vector<std::string> files{CompanionName(r)};
    for (size_t p = 1; p <= r.parts.size(); ++p)
        files.push_back(PartName(r, static_cast<int>(p)));
    return files;
}

// How many of names exist in folder.
inline size_t CountIn(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    return static_cast<size_t>(std::count_if(names.begin(), names.end(), [&](const auto& n) {
        return std::filesystem::exists(folder / n);
    }));
}

} // namespace dz::test
