// The built window program as a user starts it: the options answered without
// a display, and --demo's sample disk, shown while the program runs and gone
// once it ends.
#include "dezadide_version.h"
#include "platform/desktop.h"
#include "support/temp_dir.h"
#include "support/window_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using dz::test::ScopedEnv;
using dz::test::TempDir;

// Starts the program with its output in outFile (standard error too).
pid_t Start(const std::vector<std::string>& arguments, const fs::path& outFile) {
    std::vector<char*> argv;
    std::string program = DEZADIDE_WINDOW_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

std::string Text(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(WindowProgram, OptionsAreAnsweredWithoutADisplay) {
    TempDir dir;
    ScopedEnv noDisplay("DISPLAY", "");
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string output; // the start of what it prints
    } cases[] = {
        {{"--version"}, 0, std::string("dezadide ") + kDezadideVersion + "\n"},
        {{"--help"}, 0, "Usage: dezadide [FILE]"},
        {{"--bogus"}, 2, "dezadide: unknown option --bogus"},
        {{"--demo", "a.dat"}, 2, "dezadide: --demo opens no file"},
    };
    for (const auto& c : cases) {
        const pid_t pid = Start(c.arguments, dir / "out.txt");
        ASSERT_GT(pid, 0);
        EXPECT_EQ(ExitStatus(pid), c.status) << c.arguments[0];
        EXPECT_EQ(Text(dir / "out.txt").substr(0, c.output.size()), c.output) << c.arguments[0];
    }
}

TEST(WindowProgram, DemoShowsASampleDiskThatGoesWithTheProgram) {
    TempDir temp, dir, config;
    ScopedEnv tmpdir("TMPDIR", temp.path().string());
    // The user's settings: the demo neither reads nor writes them.
    ScopedEnv configHome("XDG_CONFIG_HOME", config.path().string());
    const pid_t pid = Start({"--demo"}, dir / "out.txt");
    ASSERT_GT(pid, 0);
    const std::string marker = "dezadide: sample disk ";
    std::string line;
    for (int i = 0; i < 200 && line.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::istringstream text(Text(dir / "out.txt"));
        for (std::string l; std::getline(text, l);)
            if (l.rfind(marker, 0) == 0)
                line = l;
    }
    ASSERT_FALSE(line.empty()) << Text(dir / "out.txt");
    const fs::path disk = line.substr(marker.size(), line.find(", backup ") - marker.size());
    const fs::path backup = line.substr(line.find(", backup ") + 9);
    EXPECT_EQ(disk.parent_path().parent_path(), temp.path());
    EXPECT_TRUE(fs::exists(disk / "REC" / "NEWS_#003_200612241930.AVR"));
    EXPECT_TRUE(fs::is_directory(backup) && fs::is_empty(backup));

    // The session ends once the window is up (the request is kept until the
    // main loop looks at it, however early it comes).
    dz::desktop::WindowId window = 0;
    for (int i = 0; i < 200 && !window; ++i) {
        window = dz::desktop::FindTopLevelWindow(u"Dezadide");
        if (!window)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_NE(window, 0ul);
    kill(pid, SIGTERM);
    EXPECT_EQ(ExitStatus(pid), 0) << "a session's end closes the demo the ordinary way";
    EXPECT_TRUE(fs::is_empty(temp.path())) << "the sample disk is removed";
    EXPECT_TRUE(fs::is_empty(config.path())) << "the user's settings are left alone";
}

// GTK lays a new frame out once at 2x1 pixels while a window manager has
// not yet told it its borders: the program's bars must not be in that
// layout, or GTK prints a warning and a critical at every start.
TEST(WindowProgram, StartsUnderAWindowManagerWithoutAToolkitWarning) {
    const dz::test::WindowManager manager;
    if (!manager.Runs())
        GTEST_SKIP() << "no window manager installed";
    TempDir temp, dir, config;
    ScopedEnv tmpdir("TMPDIR", temp.path().string());
    ScopedEnv configHome("XDG_CONFIG_HOME", config.path().string());
    const pid_t pid = Start({"--demo"}, dir / "out.txt");
    ASSERT_GT(pid, 0);
    EXPECT_NE(dz::test::WaitForViewableWindow(pid, "Dezadide"), 0u)
        << "the window never came on the screen";
    kill(pid, SIGTERM);
    EXPECT_EQ(ExitStatus(pid), 0);
    EXPECT_EQ(Text(dir / "out.txt").find("Gtk-"), std::string::npos) << Text(dir / "out.txt");
}

// A failure before the main window says what failed in its title, so that
// nothing (a script, a user's window list) takes the box for the window.
TEST(WindowProgram, ASampleDiskThatCannotBeMadeIsSaidUnderItsOwnTitle) {
    TempDir place, dir, temp;
    ScopedEnv tmpdir("TMPDIR", temp.path().string());
    // The program away from its clips (they lie beside it as installed).
    fs::create_directories(place / "bin");
    const fs::path program = place / "bin" / "dezadide";
    fs::copy_file(DEZADIDE_WINDOW_PATH, program);
    std::vector<char*> argv;
    std::string name = program.string(), demo = "--demo";
    argv.push_back(name.data());
    argv.push_back(demo.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, name.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    dz::desktop::WindowId box = 0;
    for (int i = 0; i < 200 && !box; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        box = dz::desktop::FindTopLevelWindow(u"Sample Disk Not Made");
    }
    EXPECT_NE(box, 0ul) << "no box titled after the failure";
    EXPECT_EQ(dz::test::WaitForViewableWindow(pid, "Dezadide", std::chrono::milliseconds(0)), 0u);
    kill(pid, SIGTERM);
    ExitStatus(pid);
}

} // namespace
