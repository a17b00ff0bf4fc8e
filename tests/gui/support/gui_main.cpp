// The window tests' main: one wx application for the whole program.
#include "support/gui_test.h"
#include "support/temp_dir.h"
#include "ui/UserStandIn.h"
#include "ui/dialogs/Prompts.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <glib.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

} // namespace

namespace dz::test {

void PumpEvents() {
    wxTheApp->ProcessPendingEvents();
    wxYield();
}

bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

namespace {
std::atomic<int> g_toolkitAssertions{0};
}

void FailTestsOnToolkitAssertions() {
    // A failed toolkit check is a failed test, not a modal box nobody closes.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func,
                          const wxString& cond, const wxString& msg) {
        ++g_toolkitAssertions;
        ADD_FAILURE() << "wx assertion " << cond << " (" << msg << ") in " << func << " at " << file
                      << ":" << line;
    });
}

namespace {

// The toolkit's own warnings and criticals name a misuse of it just as wx's
// assertions do; they are counted and failed the same way, then printed.
// What the desktop around it says (no accessibility bus, a theme) is not
// the program's doing.
bool FromTheToolkit(const char* domain) {
    for (const char* toolkit : {"Gtk", "Gdk", "GLib", "GLib-GObject", "GLib-GIO", "Pango"})
        if (std::strcmp(domain, toolkit) == 0)
            return true;
    return false;
}

GLogWriterOutput RecordToolkitWarning(GLogLevelFlags level, const GLogField* fields, gsize count,
                                      gpointer) {
    if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) {
        const char* domain = "";
        const char* message = "";
        for (gsize i = 0; i < count; ++i) {
            if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0)
                domain = static_cast<const char*>(fields[i].value);
            else if (std::strcmp(fields[i].key, "MESSAGE") == 0)
                message = static_cast<const char*>(fields[i].value);
        }
        if (FromTheToolkit(domain)) {
            ++g_toolkitAssertions;
            ADD_FAILURE() << domain << " warning: " << message;
        }
    }
    return g_log_writer_default(level, fields, count, nullptr);
}

} // namespace

int ToolkitAssertionCount() {
    return g_toolkitAssertions.load();
}

void PumpUntilIdle() {
    // A handler that keeps asking for idle time would hold the test forever.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int quietRounds = 0;
    while (quietRounds < 2 && std::chrono::steady_clock::now() < end) {
        bool busy = false;
        while (wxTheApp->Pending()) {
            wxTheApp->Dispatch();
            busy = true;
        }
        if (wxTheApp->HasPendingEvents()) {
            wxTheApp->ProcessPendingEvents();
            busy = true;
        }
        if (wxTheApp->ProcessIdle())
            busy = true;
        quietRounds = busy ? 0 : quietRounds + 1;
    }
}

void PumpFor(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace dz::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests (the build does it to register them) needs no display.
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // Settings and Play's temporaries of the tests stay in a folder of their
    // own, never in the user's.
    const dz::test::TempDir home;
    setenv("XDG_CONFIG_HOME", (home.path() / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home.path() / "cache").c_str(), 1);
    // Questions are answered as the commands acted before they asked: Delete
    // goes on, existing entries are replaced. Tests of the questions set
    // their own answers.
    TestStandIn().prompt = [](const PromptCall&) {
        PromptReply reply;
        reply.del.confirmed = true;
        reply.replace.answer = dz::ReplaceAnswer::Replace;
        return reply;
    };
    // Armed before the toolkit starts, so a check failing anywhere - in a
    // test, its fixture or the start itself - fails the run.
    dz::test::FailTestsOnToolkitAssertions();
    g_log_set_writer_func(dz::test::RecordToolkitWarning, nullptr, nullptr);
    wxApp::SetInstance(new TestApp());
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 1;
    // Log messages go to the terminal; a log window would wait for a click.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    // A running event loop makes wxYield, timers and modal dialogs behave
    // as they do in the program.
    wxEventLoop loop;
    wxEventLoopActivator activate(&loop);
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
