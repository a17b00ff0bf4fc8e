// Play's temporaries: named after the run that made them, removed by that
// run at its end and by a later run once their maker no longer runs.
#include "convert/play_files.h"

#include "platform/platform.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace dz::convert;
namespace fs = std::filesystem;

TEST(PlayFiles, NamesCarryTheirOwner) {
    using dz::platform::JoinPath;
    EXPECT_EQ(PlayFilePath(u"/c", 42, 3, u"NEWS"), JoinPath(u"/c", u"play-42-3-NEWS.mpg"));
    EXPECT_EQ(PlayFilePath(u"/c", 42, 1, u"a/b"), JoinPath(u"/c", u"play-42-1-a_b.mpg"));
    const struct {
        std::u16string name;
        int owner;
    } cases[] = {
        {u"play-42-3-NEWS.mpg", 42}, {u"play-42-3-NEWS.MPG", 42}, {u"play-42.mpg", 0},
        {u"play--3-NEWS.mpg", 0},    {u"play-42-3-NEWS.avr", 0},  {u"other-42-3.mpg", 0},
        {u"play-x-3-NEWS.mpg", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlayFileOwner(c.name), c.owner) << std::string(c.name.begin(), c.name.end());
}

// The ended and the running process come from fork and the parent. On
// Windows the same owner check (ProcessIsRunning) is tested with the staged
// files' temporaries in the platform tests.
#ifndef _WIN32
TEST(PlayFiles, EachRunRemovesItsOwnAndTheEndedRunsOnes) {
    dz::test::TempDir cache;
    const int self = dz::platform::CurrentProcessId();
    // A process that has ended: its id is free again.
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    const int parent = static_cast<int>(getppid()); // runs while this test runs
    const std::u16string folder = cache.text();
    for (const int owner : {self, static_cast<int>(ended), parent})
        dz::test::WriteFile(fs::path(dz::platform::ToPath(PlayFilePath(folder, owner, 1, u"N"))),
                            "x");
    dz::test::WriteFile(cache / "keep.mpg", "x");

    EXPECT_EQ(RemovePlayFiles(folder, 0).size(), 1u) << "only the ended run's";
    EXPECT_FALSE(fs::exists(dz::platform::ToPath(PlayFilePath(folder, ended, 1, u"N"))));
    EXPECT_EQ(RemovePlayFiles(folder, self),
              std::vector<std::u16string>{PlayFilePath(u"", self, 1, u"N").substr(1)});
    EXPECT_TRUE(fs::exists(dz::platform::ToPath(PlayFilePath(folder, parent, 1, u"N"))));
    EXPECT_TRUE(fs::exists(cache / "keep.mpg"));
}
#endif

} // namespace
