// Rename, folder deletion and the folder check on real file systems and
// under the fault shim: a rename killed or failed at any file call is
// finished by running it again and never leaves two half recordings; a
// folder deletion that fails stops with every recording left findable;
// names taken in another letter case on a FAT disk are refused.
#include "integrity/promise_check.h"
#include "support/real_mount.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace dz::test {
namespace {

namespace fs = std::filesystem;

const std::string kNews = "NEWS_#001_200612241930.AVR";

// The same recording under another recording name: the bytes it should hold
// once renamed (location fields aside).
RecordingSet Renamed(const RecordingSet& r, const std::string& name) {
    RecordingSet out;
    out.name = name;
    out.totalSize = r.totalSize;
    const auto rename = [&](const std::string& file) { return name + file.substr(r.name.size()); };
    out.companion = rename(r.companion);
    for (const std::string& part : r.parts)
        out.parts.push_back(rename(part));
    for (const auto& [file, bytes] : r.bytes)
        out.bytes[rename(file)] = bytes;
    return out;
}

// Whether the shim hit its call (its log names the fault).
bool FaultHit(const fs::path& log) {
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("fault ", 0) == 0)
            return true;
    return false;
}

EnvChanges Shimmed(const EnvChanges& base, const fs::path& dir, const char* calls, int n,
                   const char* action, const fs::path& log) {
    EnvChanges env = base;
    env.insert(env.end(), {{"LD_PRELOAD", ShimPath()},
                           {"DZ_FAULT_DIRS", dir.string()},
                           {"DZ_FAULT_CALLS", calls},
                           {"DZ_FAULT_NTH", std::to_string(n)},
                           {"DZ_FAULT_ACTION", action},
                           {"DZ_FAULT_LOG", log.string()}});
    return env;
}

// Every write, flush, rename and removal of a rename, killed or failed in
// turn: what is left is the recording whole under one name, or a rename cut
// short that the check names and the same command finishes.
TEST(RenameUnderFaults, IsFinishedByRunningItAgain) {
    for (const char* action : {"kill", "fail"}) {
        for (int k = 1;; ++k) {
            SCOPED_TRACE(std::string(action) + " at call " + std::to_string(k));
            TempDir tmp;
            const fs::path rec = tmp / "REC", log = tmp / "shim.log";
            fs::create_directory(rec);
            const RecordingSet news = PlaceFixture("news", rec);
            const RecordingSet evening = Renamed(news, "EVENING");
            const EnvChanges drives{{"DEZADIDE_DRIVES", tmp.path().string()}};
            const std::vector<std::string> rename = {"rename", rec.string(), kNews, "EVENING"};
            const ProcessResult first =
                Cli(rename, Shimmed(drives, rec, "write,fsync,rename,unlink", k, action, log));
            const bool hit = FaultHit(log) || first.signal == SIGKILL;
            if (!hit) {
                EXPECT_TRUE(first.exitedWith(0)) << first.describe();
                EXPECT_GT(k, 5) << "the rename made too few calls to be staged";
                break;
            }
            if (std::string(action) == "fail") {
                EXPECT_FALSE(first.exitedWith(0)) << "a failed call was reported as success";
            }
            EXPECT_EQ(DishonestRows(rec, {{&news, ""}, {&evening, ""}}, {}),
                      std::vector<std::string>{});
            const RecordingState before = StateOf(rec, news), after = StateOf(rec, evening);
            const bool untouched =
                before.presence == Presence::kComplete && after.presence == Presence::kAbsent;
            const bool done =
                before.presence == Presence::kAbsent && after.presence == Presence::kComplete;
            if (!untouched && !done) {
                const ProcessResult check = Cli({"check", rec.string()}, drives);
                EXPECT_TRUE(check.exitedWith(1)) << check.describe();
                EXPECT_NE(check.out.find("a rename to EVENING was cut short"), std::string::npos)
                    << check.out << FolderContents(rec);
            }
            if (!done) {
                const ProcessResult again = Cli(rename, drives);
                EXPECT_TRUE(again.exitedWith(0))
                    << "the retry failed: " << again.describe() << FolderContents(rec);
            }
            EXPECT_EQ(StateOf(rec, news).presence, Presence::kAbsent) << FolderContents(rec);
            const RecordingState end = StateOf(rec, evening, LocationText("REC", evening));
            EXPECT_EQ(end.presence, Presence::kComplete) << end.detail << FolderContents(rec);
            EXPECT_TRUE(Cli({"check", rec.string()}, drives).exitedWith(0));
            ASSERT_LT(k, 60);
        }
    }
}

// A folder with recordings in it and below it, its removals failed or
// killed in turn: the run stops and says where; every recording is still
// whole, gone, or - one cut short in its removal - keeps its companion while
// any part is left, so that deleting again finishes the job.
TEST(FolderDeleteUnderFaults, LeavesNoRecordingUnfindable) {
    for (const char* action : {"fail", "kill"}) {
        for (int k = 1;; ++k) {
            SCOPED_TRACE(std::string(action) + " at removal " + std::to_string(k));
            TempDir tmp;
            const fs::path films = tmp / "Films", log = tmp / "shim.log";
            fs::create_directories(films / "2006");
            const RecordingSet news = PlaceFixture("news", films);
            const RecordingSet radio = PlaceFixture("radio", films / "2006");
            WriteFile(films / "song.mp3", "x");
            const std::vector<std::string> rm = {"rm", "--recursive", tmp.path().string(), "Films"};
            const ProcessResult first = Cli(rm, Shimmed({}, films, "unlink", k, action, log));
            const bool hit = FaultHit(log) || first.signal == SIGKILL;
            if (!hit) {
                EXPECT_TRUE(first.exitedWith(0)) << first.describe();
                EXPECT_FALSE(fs::exists(films));
                EXPECT_GT(k, 6);
                break;
            }
            if (std::string(action) == "fail") {
                EXPECT_TRUE(first.exitedWith(1)) << first.describe();
                EXPECT_NE(first.err.find("the deletion stopped there"), std::string::npos)
                    << first.err;
            }
            for (const auto& [folder, r] : {std::pair{films, &news}, {films / "2006", &radio}}) {
                const RecordingState s = StateOf(folder, *r);
                if (s.presence != Presence::kFragment)
                    continue;
                bool anyPart = false;
                for (const std::string& part : r->parts)
                    anyPart = anyPart || fs::exists(folder / part);
                EXPECT_TRUE(!anyPart || fs::exists(folder / r->companion))
                    << r->name << " lost its companion before its parts: " << s.detail;
            }
            const ProcessResult again = Cli(rm);
            EXPECT_TRUE(again.exitedWith(0)) << again.describe();
            EXPECT_FALSE(fs::exists(films));
            ASSERT_LT(k, 40);
        }
    }
}

// On a FAT disk a name is taken in any letter case: a rename to it is
// refused and changes nothing, and so is a change of case alone.
TEST(RenameOnFat, ANameTakenInAnotherCaseIsRefused) {
    TempDir tmp;
    RealMount disk(FileSystem::kFat32, tmp / "disk");
    DZ_REQUIRE_MOUNT(disk);
    const fs::path rec = disk.path() / "REC";
    fs::create_directory(rec);
    const RecordingSet news = PlaceFixture("news", rec);
    const RecordingSet radio = PlaceFixture("radio", rec);
    WriteFile(rec / "a.mp3", "a");
    WriteFile(rec / "b.mp3", "b");
    fs::create_directory(rec / "Films");
    fs::create_directory(rec / "Music");
    const EnvChanges drives{{"DEZADIDE_DRIVES", disk.path().string()}};
    const struct {
        std::string from, to;
    } taken[] = {{radio.firstPart(), "news"}, {"b.mp3", "A.MP3"}, {"Films", "MUSIC"}};
    for (const auto& t : taken) {
        SCOPED_TRACE(t.from + " -> " + t.to);
        const ProcessResult r = Cli({"rename", rec.string(), t.from, t.to}, drives);
        EXPECT_TRUE(r.exitedWith(1)) << r.describe();
        EXPECT_NE(r.err.find("already taken"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(StateOf(rec, news).original && StateOf(rec, radio).original);
    EXPECT_EQ(ReadFile(rec / "b.mp3"), std::vector<uint8_t>{'b'});

    // Over itself in another case, a rename loses the file on FUSE FAT: refused.
    for (const auto& [from, to] : {std::pair<std::string, std::string>{kNews, "News"},
                                   {"a.mp3", "A.mp3"},
                                   {"Films", "FILMS"}}) {
        SCOPED_TRACE(from + " -> " + to);
        const ProcessResult r = Cli({"rename", rec.string(), from, to}, drives);
        EXPECT_TRUE(r.exitedWith(1)) << r.describe();
        EXPECT_NE(r.err.find("only in letter case"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(StateOf(rec, news).original);
    EXPECT_EQ(ReadFile(rec / "a.mp3"), std::vector<uint8_t>{'a'});
    EXPECT_TRUE(Cli({"rename", rec.string(), kNews, "EVENING"}, drives).exitedWith(0));
    const RecordingSet evening = Renamed(news, "EVENING");
    const RecordingState renamed = StateOf(rec, evening, LocationText("REC", evening));
    EXPECT_EQ(renamed.presence, Presence::kComplete) << renamed.detail << FolderContents(rec);
}

// Every read of a copy's read-back corrupted in turn: a copy that reads
// back wrong is removed and its entry fails - a move keeps that source -
// and nothing else is lost.
TEST(VerifyUnderCorruptReads, ACopyThatReadsBackWrongIsRemoved) {
    for (const std::string op : {"cp", "mv"}) {
        int caught = 0;
        for (int k = 1;; ++k) {
            SCOPED_TRACE(op + ", read-back read " + std::to_string(k) + " corrupted");
            TempDir tmp;
            const fs::path src = tmp / "src", dst = tmp / "dst", log = tmp / "shim.log";
            fs::create_directory(src);
            fs::create_directory(dst);
            const RecordingSet news = PlaceFixture("news", src);
            WriteFile(src / "a.mp3", "tune");
            const EnvChanges drives{{"DEZADIDE_DRIVES", tmp.path().string()}};
            const ProcessResult r =
                Cli({op, "--verify", src.string(), dst.string(), "a.mp3", kNews},
                    Shimmed(drives, dst, "read", k, "corrupt", log));
            const std::string location = LocationText("dst", news);
            if (!FaultHit(log)) {
                EXPECT_TRUE(r.exitedWith(0)) << r.describe();
                EXPECT_EQ(StateOf(dst, news, location).presence, Presence::kComplete);
                break;
            }
            if (r.exitedWith(0)) { // the corrupted read was the one that found the end
                EXPECT_EQ(StateOf(dst, news, location).presence, Presence::kComplete);
                continue;
            }
            ++caught;
            EXPECT_TRUE(r.exitedWith(1)) << r.describe();
            EXPECT_NE(r.err.find("read back from the disk differs"), std::string::npos) << r.err;
            // NEWS comes last: whichever entry failed, it is whole in its source.
            EXPECT_TRUE(StateOf(src, news).original) << FolderContents(src);
            EXPECT_EQ(StateOf(dst, news).presence, Presence::kAbsent) << FolderContents(dst);
            const bool inSource = fs::exists(src / "a.mp3"),
                       inDestination = fs::exists(dst / "a.mp3");
            EXPECT_TRUE(inSource || inDestination) << "a.mp3 was lost";
            if (inDestination) {
                EXPECT_EQ(ReadFile(dst / "a.mp3"), (std::vector<uint8_t>{'t', 'u', 'n', 'e'}));
            }
            ASSERT_LT(k, 40);
        }
        EXPECT_GE(caught, 5) << "every file of the two entries can read back wrong";
    }
}

} // namespace
} // namespace dz::test
