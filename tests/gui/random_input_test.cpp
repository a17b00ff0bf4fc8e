// A seeded random walk through the window on the sample disk: clicks, keys,
// drags and menu choices by the thousand, every question and dialog
// answered, the toolkit's checks armed (any failed check fails the test).
// Afterwards every recording on either drive is whole: its companion and
// every part there, each part's stream byte for byte as on the sample disk.
// DEZADIDE_RANDOM_SEED replays a run; DEZADIDE_RANDOM_EVENTS sets its length.
#include "dialog_test_support.h"
#include "recording/RecordingName.h"
#include "recording/demo_disk.h"
#include "support/main_frame_fixture.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/app/PaneSplitter.h"
#include "ui/app/resource.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/CopyProgressDlg.h"
#include "ui/dialogs/DeleteProgressDlg.h"
#include "ui/dialogs/InputNameDlg.h"
#include "ui/dialogs/Prompts.h"
#include "ui/dialogs/Ts2PesDlg.h"
#include "ui/panes/FolderView.h"

#include <gtest/gtest.h>
#include <wx/dnd.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

const fs::path kFixtures = DEZADIDE_FIXTURES;

// The sample disk's clips as the package installs them: one flat folder.
void CopyClips(const fs::path& to) {
    fs::copy_file(kFixtures / "av_mp2.ts", to / "av_mp2.ts");
    fs::copy_file(kFixtures / "av_ac3.ts", to / "av_ac3.ts");
    fs::copy_file(kFixtures / "audio_mp2.ts", to / "audio_mp2.ts");
    fs::copy_file(kFixtures / "es" / "mp3_32k_128.mp3", to / "mp3_32k_128.mp3");
}

bool IsPart(const fs::path& p) {
    return IsPartFileName(p.filename().u16string());
}
bool IsCompanion(const fs::path& p) {
    return HasExtension(p.filename().u16string(), u".avf");
}

// A part's stream: everything after its header, which a copy rewrites.
std::vector<uint8_t> Stream(const fs::path& part) {
    std::vector<uint8_t> bytes = ReadFile(part);
    bytes.erase(bytes.begin(), bytes.begin() + std::min(bytes.size(), kPartHeaderSize));
    return bytes;
}

// Part p's file name from part 1's: the three digits after "_#".
std::string PartFileName(const std::string& first, int p) {
    const size_t mark = first.find("_#");
    char digits[4];
    std::snprintf(digits, sizeof digits, "%03d", p);
    return first.substr(0, mark + 2) + digits + first.substr(mark + 5);
}

// Every part's stream on the sample disk, by file name.
std::map<std::string, std::vector<uint8_t>> Streams(const fs::path& disk) {
    std::map<std::string, std::vector<uint8_t>> streams;
    for (const auto& entry : fs::recursive_directory_iterator(disk))
        if (entry.is_regular_file() && IsPart(entry.path()))
            streams[entry.path().filename().string()] = Stream(entry.path());
    return streams;
}

// What is wrong with the recordings under folder; empty when each is whole.
std::vector<std::string>
BrokenRecordings(const fs::path& folder, const std::map<std::string, std::vector<uint8_t>>& streams,
                 size_t& checked) {
    std::vector<std::string> broken;
    std::set<fs::path> accounted;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || !IsCompanion(entry.path()))
            continue;
        const CompanionRead head = ReadCompanionAt(entry.path().u16string());
        if (!head.Ok()) {
            broken.push_back(entry.path().string() + ": companion unreadable");
            continue;
        }
        ++checked;
        std::string first = entry.path().filename().string();
        first = first.substr(0, first.size() - 4) + ".AVR";
        for (int p = 1; p <= head.partCount; ++p) {
            const fs::path part = entry.path().parent_path() / PartFileName(first, p);
            accounted.insert(part);
            const auto original = streams.find(part.filename().string());
            if (!fs::exists(part))
                broken.push_back(part.string() + ": missing");
            else if (original == streams.end() || Stream(part) != original->second)
                broken.push_back(part.string() + ": stream differs from the sample disk's");
        }
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && IsPart(entry.path()) && !accounted.count(entry.path()))
            broken.push_back(entry.path().string() + ": a part without its companion");
    return broken;
}

class RandomWalk {
public:
    RandomWalk(MainFrameFixture& m, uint32_t seed, std::vector<fs::path> drives)
        : m_m(m), m_random(seed), m_drives(std::move(drives)) {}

    // Answers whatever modal dialog waits for a user, from the modal loop.
    void AnswerDialogs() {
        for (wxWindow* window : wxTopLevelWindows) {
            auto* dialog = dynamic_cast<wxDialog*>(window);
            if (!dialog || !dialog->IsModal())
                continue;
            if (dynamic_cast<CCopyProgressDlg*>(dialog) ||
                dynamic_cast<CDeleteProgressDlg*>(dialog))
                continue; // they end with their work
            if (auto* input = dynamic_cast<CInputNameDlg*>(dialog)) {
                static const char* const kNames[] = {"NEW", "REC", "a b", "", "Über", "x/y"};
                input->GetNameBox()->ChangeValue(
                    wxString::FromUTF8(kNames[Pick(std::size(kNames))]));
                Press(*input, Chance(4) ? wxID_CANCEL : wxID_OK);
                if (input->IsModal())
                    input->EndModal(wxID_CANCEL); // a name it refused
                continue;
            }
            dialog->EndModal(wxID_CANCEL); // About, conversion, a message box
        }
    }

    void Step() {
        switch (Pick(10)) {
        case 0:
        case 1:
            SelectFolder();
            break;
        case 2:
        case 3:
            SelectRows();
            break;
        case 4:
            Focus();
            break;
        case 5:
        case 6:
            Command();
            break;
        case 7:
            Drag();
            break;
        case 8:
            Key();
            break;
        default:
            Click();
            break;
        }
        PumpEvents();
    }

private:
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
    bool Chance(size_t oneIn) { return Pick(oneIn) == 0; }
    int AnyRow() { return Chance(2) ? kTopRow : kBottomRow; }
    CMainFrame& Frame() { return *m_m.frame(); }

    // Any folder on either drive, or a random item of a row's tree.
    void SelectFolder() {
        const int row = AnyRow();
        if (Chance(2)) {
            std::vector<fs::path> folders(m_drives.begin(), m_drives.end());
            for (const fs::path& drive : m_drives)
                for (const auto& entry : fs::recursive_directory_iterator(drive))
                    if (entry.is_directory())
                        folders.push_back(entry.path());
            m_m.Select(row, folders[Pick(folders.size())].u16string());
            return;
        }
        CFolderTreeCtrl& tree = m_m.tree(row);
        std::vector<wxTreeItemId> items;
        for (wxTreeItemId item = tree.GetFirstVisibleItem(); item.IsOk();
             item = tree.GetNextVisible(item))
            items.push_back(item);
        if (items.empty())
            return;
        const wxTreeItemId item = items[Pick(items.size())];
        if (tree.GetItemText(item).empty())
            return; // a placeholder
        if (Chance(3))
            tree.IsExpanded(item) ? tree.Collapse(item) : tree.Expand(item);
        else
            tree.SelectItem(item);
    }

    void SelectRows() {
        wxListCtrl& list = m_m.fileView(AnyRow()).m_wndList;
        const bool all = Chance(5);
        for (long i = 0; i < list.GetItemCount(); ++i)
            list.SetItemState(i, all || Chance(3) ? wxLIST_STATE_SELECTED : 0,
                              wxLIST_STATE_SELECTED);
    }

    void Focus() {
        const int row = AnyRow();
        if (Chance(2))
            m_m.fileView(row).m_wndList.SetFocus();
        else
            m_m.tree(row).SetFocus();
    }

    void Command() {
        static constexpr int kCommands[] = {dz::ID_COPY_TOP_TO_BOTTOM, dz::ID_COPY_BOTTOM_TO_TOP,
                                            dz::ID_MOVE_TOP_TO_BOTTOM, dz::ID_MOVE_BOTTOM_TO_TOP,
                                            dz::ID_DELETE_FILES,       dz::ID_NEW_FOLDER,
                                            dz::ID_VIEW_REFRESH,       dz::ID_SELECT_ALL,
                                            dz::ID_NEXT_PANE,          dz::ID_PREV_PANE,
                                            dz::ID_ASK_BEFORE_DELETE,  dz::ID_VIEW_TOOLBAR,
                                            dz::ID_CONVERT_TO_AVI,     dz::ID_CONVERT_TO_MP3,
                                            dz::ID_APP_ABOUT,          dz::ID_PLAY};
        const int id = kCommands[Pick(std::size(kCommands))];
        // Menu choices go through the enable rule, as the menu does.
        wxUpdateUIEvent update(id);
        update.SetEventObject(&Frame());
        Frame().GetEventHandler()->ProcessEvent(update);
        if (update.GetSetEnabled() && !update.GetEnabled())
            return;
        if (id == dz::ID_APP_ABOUT) {
            ShowAboutBox(&Frame());
            return;
        }
        RunCommand(Frame(), id);
    }

    // Rows hovered over every pane, then dropped on the other row's list or
    // on a folder of its tree, copied or (with Shift) moved.
    void Drag() {
        const int from = AnyRow(), to = 1 - from;
        Frame().SetDragSourceRow(from);
        for (int row : {kTopRow, kBottomRow}) {
            CFolderTreeCtrl& tree = m_m.tree(row);
            const wxSize size = tree.GetClientSize();
            tree.GetDropTarget()->OnDragOver(static_cast<int>(Pick(std::max(size.x, 1))),
                                             static_cast<int>(Pick(std::max(size.y, 1))),
                                             wxDragCopy);
            tree.GetDropTarget()->OnLeave();
        }
        Frame().SetDragSourceRow(std::nullopt);
        wxTreeItemId onFolder;
        if (Chance(2)) {
            CFolderTreeCtrl& tree = m_m.tree(to);
            for (wxTreeItemId item = tree.GetFirstVisibleItem(); item.IsOk();
                 item = tree.GetNextVisible(item))
                if (!tree.GetItemText(item).empty() && Chance(3))
                    onFolder = item;
        }
        Frame().DropRows(CMainFrame::RowDragText(from), Chance(8) ? from : to, onFolder, Chance(3));
    }

    void Key() {
        static constexpr int kKeys[] = {WXK_UP,   WXK_DOWN,  WXK_HOME,   WXK_END, WXK_SPACE,
                                        WXK_F5,   WXK_F6,    WXK_DELETE, WXK_F7,  WXK_RETURN,
                                        WXK_LEFT, WXK_RIGHT, 'A'};
        const int key = kKeys[Pick(std::size(kKeys))];
        int modifiers = wxMOD_NONE;
        if (key == 'A' || Chance(6))
            modifiers = key == 'A' ? wxMOD_CONTROL : wxMOD_SHIFT;
        m_input.Char(key, modifiers);
    }

    // A click somewhere on the panes, or a right click (its menu closed
    // again with Escape).
    void Click() {
        const wxRect panes = Frame().GetSplitter()->GetScreenRect();
        const wxPoint at(panes.x + static_cast<int>(Pick(std::max(panes.width, 1))),
                         panes.y + static_cast<int>(Pick(std::max(panes.height, 1))));
        m_input.MouseMove(at);
        PumpEvents();
        if (Chance(10)) {
            m_input.MouseDblClick();
            return;
        }
        m_input.MouseClick(wxMOUSE_BTN_LEFT);
    }

    MainFrameFixture& m_m;
    std::mt19937 m_random;
    std::vector<fs::path> m_drives;
    wxUIActionSimulator m_input;
};

TEST(RandomInput, ThousandsOfSeededEventsLeaveEveryRecordingWhole) {
    const char* seedText = std::getenv("DEZADIDE_RANDOM_SEED");
    const uint32_t seed = seedText ? static_cast<uint32_t>(std::strtoul(seedText, nullptr, 10))
                                   : std::random_device{}();
    const char* eventsText = std::getenv("DEZADIDE_RANDOM_EVENTS");
    const long events = eventsText ? std::strtol(eventsText, nullptr, 10) : 3000;
    std::printf("random input: seed %u (DEZADIDE_RANDOM_SEED=%u replays it)\n", seed, seed);
    RecordProperty("seed", std::to_string(seed));

    TempDir clips, temp, cache;
    CopyClips(clips.path());
    ScopedEnv tmpdir("TMPDIR", temp.path().string());
    CDemoDisk demo;
    ASSERT_TRUE(demo.Create(clips.path().u16string()));
    const fs::path disk = demo.Disk(), backup = demo.Backup();
    const auto streams = Streams(disk);
    ASSERT_FALSE(streams.empty());

    // Nothing outside the test is started: no player, no MP3 program.
    ScopedEnv opener("DEZADIDE_OPENER", "true");
    ScopedEnv path("PATH", "/usr/bin:/bin");
    std::vector<MessageBoxCall> boxes;
    TestStandIn().messageBox = [&](const MessageBoxCall& call) { boxes.push_back(call); };
    std::mt19937 answers(seed ^ 0x5eedu);
    TestStandIn().prompt = [&](const PromptCall&) {
        PromptReply reply;
        reply.del = {answers() % 3 != 0, answers() % 4 == 0};
        const dz::ReplaceAnswer choices[] = {dz::ReplaceAnswer::Replace, dz::ReplaceAnswer::Skip,
                                             dz::ReplaceAnswer::Cancel};
        reply.replace = {choices[answers() % 3], answers() % 2 == 0};
        return reply;
    };
    {
        MainFrameFixture m({disk.u16string(), backup.u16string()}, wxSize(1000, 700));
        ASSERT_TRUE(m.frame());
        m.frame()->Raise();
        RandomWalk walk(m, seed, {disk, backup});
        wxTimer answerer;
        answerer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { walk.AnswerDialogs(); });
        answerer.Start(30);
        const auto start = std::chrono::steady_clock::now();
        long done = 0;
        for (; done < events && !HasFailure(); ++done) {
            Watchdog watchdog(std::chrono::seconds(60), "a random event");
            walk.Step();
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(100))
                break; // a slow machine: what ran is still checked
        }
        answerer.Stop();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("random input: %ld events in %.1f s, %zu boxes\n", done, seconds, boxes.size());
        RecordProperty("events", std::to_string(done));
    }
    TestStandIn().messageBox = nullptr;
    TestStandIn().prompt = [](const PromptCall&) {
        return PromptReply{{true, false}, {ReplaceAnswer::Replace, false}};
    };

    size_t checked = 0;
    std::vector<std::string> broken = BrokenRecordings(disk, streams, checked);
    const std::vector<std::string> brokenBackup = BrokenRecordings(backup, streams, checked);
    broken.insert(broken.end(), brokenBackup.begin(), brokenBackup.end());
    std::printf("random input: %zu recordings checked on both drives\n", checked);
    for (const std::string& b : broken)
        ADD_FAILURE() << b << " (seed " << seed << ")";
}

} // namespace
} // namespace dz::test
