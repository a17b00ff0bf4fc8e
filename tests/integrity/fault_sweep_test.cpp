// Every step of a cp, mv, rm and convert of a 3-part recording, failed in
// turn: the shim (fault_shim.c) makes the Nth file call of one kind fail with
// EIO or ENOSPC, raises Ctrl+C at it, or kills the program there. After each
// run the folders are held to the promise: every recording is complete in
// its source, or complete at its destination after a finished move; the
// list never shows what is not whole; nothing that was not named changed;
// and the exit status says what really happened.
#include "integrity/promise_check.h"
#include "support/real_mount.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>

namespace dz::test {
namespace {

namespace fs = std::filesystem;

// kConvertOver: convert --replace onto an older conversion at the target.
enum class Op { kCopy, kMove, kDelete, kConvert, kConvertOver };

bool IsConvert(Op op) {
    return op == Op::kConvert || op == Op::kConvertOver;
}

const char* OpName(Op op) {
    switch (op) {
    case Op::kCopy:
        return "cp";
    case Op::kMove:
        return "mv";
    case Op::kDelete:
        return "rm";
    case Op::kConvert:
        return "convert";
    case Op::kConvertOver:
        return "convert --replace";
    }
    return "?";
}

// One call the shim hit, as its log tells it.
struct Event {
    std::string kind, path;
    bool written = false;
};

struct ShimLog {
    std::vector<Event> calls; // every counted call, in order
    std::optional<Event> fault;
    size_t faultIndex = 0; // the faulted call's place in calls
    std::map<std::string, long> counts;
    // Calls before the fault (all of them when there was none).
    std::vector<Event> before() const {
        if (!fault)
            return calls;
        return std::vector<Event>(calls.begin(), calls.begin() + static_cast<long>(faultIndex));
    }
};

ShimLog ReadShimLog(const fs::path& file) {
    ShimLog log;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string what, kind;
        fields >> what >> kind;
        std::string rest;
        std::getline(fields, rest);
        if (!rest.empty() && rest[0] == ' ')
            rest.erase(0, 1);
        if (what == "count") {
            log.counts[kind] = std::atol(rest.c_str());
        } else if (what == "call") {
            log.calls.push_back({kind, rest, false});
        } else if (what == "fault") {
            const size_t blank = rest.rfind(' ');
            log.fault = Event{kind, rest.substr(0, blank), rest.substr(blank + 1) == "1"};
            // The shim logs a call, then its fault.
            log.faultIndex = log.calls.empty() ? 0 : log.calls.size() - 1;
        }
    }
    return log;
}

bool Under(const std::string& path, const fs::path& folder) {
    const std::string f = folder.string();
    return path.size() > f.size() && path.compare(0, f.size(), f) == 0 && path[f.size()] == '/';
}

// A fault of one kind: the kind's name for the shim and the error it gives.
struct FaultKind {
    const char* kind;
    int error;
};

constexpr FaultKind kFaults[] = {
    {"open", EIO},
    {"read", EIO},
    {"write", ENOSPC},
    {"write", EIO},
    {"copy_file_range", ENOSPC},
    {"copy_file_range", EIO},
    {"close", EIO},
    {"fsync", EIO},
    {"rename", EIO},
    {"unlink", EIO},
    {"link", EIO},
    {"truncate", ENOSPC},
};

// At most this many N per kind and job; a longer run of calls is sampled
// evenly, its first and last call always included.
constexpr long kMaxPerKind = 20;

std::vector<long> Sample(long count, long most) {
    std::vector<long> ns;
    if (count <= most) {
        for (long n = 1; n <= count; ++n)
            ns.push_back(n);
        return ns;
    }
    for (long i = 0; i < most; ++i)
        ns.push_back(1 + i * (count - 1) / (most - 1));
    return ns;
}

// The folders of one run, made afresh: the job's recording NEWS (3 parts) and
// the bystanders that no job names: CUT and song.mp3 beside it, RADIO and
// keep.mem at the destination.
class Scene {
public:
    // dstMounted: the destination folder is a mount point; it is emptied,
    // not removed.
    Scene(const fs::path& root, bool dstMounted) : m_root(root) {
        std::error_code ec;
        if (!dstMounted) {
            fs::remove_all(root, ec);
        } else {
            for (const auto& e : fs::directory_iterator(root, ec))
                if (e.path() != dst)
                    fs::remove_all(e.path(), ec);
            for (const auto& e : fs::directory_iterator(dst, ec))
                fs::remove_all(e.path(), ec);
        }
        fs::create_directories(src);
        fs::create_directories(dst);
        fs::create_directories(logs);
        news = PlaceFixture("news", src);
        cut = PlaceFixture("cut", src);
        radio = PlaceFixture("radio", dst);
        WriteFile(src / "song.mp3", PatternBytes(70000, 3));
        WriteFile(dst / "keep.mem", PatternBytes(5000, 4));
    }
    // The older conversion that convert --replace finds at the target.
    static std::vector<uint8_t> OlderTarget() { return PatternBytes(50000, 6); }
    const Scene& For(Op op) const {
        if (op == Op::kConvertOver)
            WriteFile(target, OlderTarget());
        return *this;
    }

    fs::path m_root;
    fs::path src = m_root / "src", dst = m_root / "dst", logs = m_root / "logs";
    fs::path target = dst / "news.mpg";
    RecordingSet news, cut, radio;

    std::string location() const { return LocationText("dst", news); }

    // Files in the two folders that none of the scene's recordings, plain
    // files or the conversion's target account for.
    std::vector<std::string> Strays() const {
        std::set<std::string> known{"song.mp3", "keep.mem", target.filename().string()};
        for (const RecordingSet* r : {&news, &cut, &radio})
            for (const std::string& name : r->files())
                known.insert(name);
        std::vector<std::string> strays;
        for (const fs::path& folder : {src, dst}) {
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(folder, ec))
                if (!known.count(e.path().filename().string()))
                    strays.push_back(e.path().filename().string());
        }
        return strays;
    }

    std::vector<std::string> Arguments(Op op) const {
        switch (op) {
        case Op::kCopy:
            return {"cp", src.string(), dst.string(), news.firstPart()};
        case Op::kMove:
            return {"mv", src.string(), dst.string(), news.firstPart()};
        case Op::kDelete:
            return {"rm", src.string(), news.firstPart()};
        case Op::kConvert:
            return {"convert", (src / news.firstPart()).string(), target.string()};
        case Op::kConvertOver:
            return {"convert", "--replace", (src / news.firstPart()).string(), target.string()};
        }
        return {};
    }

    // DEZADIDE_DRIVES pins the drive root, so the location text is C:\dst\...
    EnvChanges Environment() const { return {{"DEZADIDE_DRIVES", m_root.string()}}; }

    EnvChanges ShimEnvironment(const std::string& calls, long nth, int error,
                               const std::string& action) const {
        EnvChanges env = Environment();
        env.push_back({"LD_PRELOAD", ShimPath()});
        env.push_back({"DZ_FAULT_DIRS", src.string() + ":" + dst.string()});
        env.push_back({"DZ_FAULT_CALLS", calls});
        env.push_back({"DZ_FAULT_NTH", std::to_string(nth)});
        env.push_back({"DZ_FAULT_ERRNO", std::to_string(error)});
        env.push_back({"DZ_FAULT_ACTION", action});
        env.push_back({"DZ_FAULT_TRACE", "1"});
        env.push_back({"DZ_FAULT_LOG", (logs / "shim.log").string()});
        return env;
    }

    // One run of op under the shim, and what the shim logged.
    struct ShimRun {
        ProcessResult result;
        ShimLog log;
    };
    ShimRun RunShimmed(Op op, const std::string& calls, long nth, int error,
                       const std::string& action) const {
        ShimRun run{Cli(Arguments(op), ShimEnvironment(calls, nth, error, action)), {}};
        run.log = ReadShimLog(logs / "shim.log");
        return run;
    }
};

// " (kind path)" of the call the shim acted on, or nothing.
std::string FaultText(const ShimLog& log) {
    return log.fault ? " (" + log.fault->kind + " " + log.fault->path + ")" : "";
}

struct Figures {
    int faultCases = 0, interrupts = 0, kills = 0, retries = 0, lost = 0, fragments = 0;
    // Conversion cases, and of them those that left a target neither whole
    // nor as it was (a partial .mpg under the target's name).
    int conversions = 0, partialTargets = 0;
    int strays = 0;           // states with files the scene never had (temporaries)
    int straysAfterRetry = 0; // of those, after a retry had finished the job
};

class IntegritySweep : public ::testing::Test {
protected:
    TempDir tmp;
    fs::path root = tmp / "scene";
    bool dstOnDisk = false;         // root/dst is a mount point
    std::vector<uint8_t> reference; // NEWS converted without any fault
    Figures figures;
    std::vector<std::string> violations;

    void SetUp() override {
        ASSERT_FALSE(CliPath().empty());
        Scene scene(root, dstOnDisk);
        const ProcessResult r = Cli(scene.Arguments(Op::kConvert), scene.Environment());
        ASSERT_TRUE(r.exitedWith(0)) << r.describe();
        reference = ReadFile(scene.target);
        ASSERT_GT(reference.size(), 100000u);
    }

    // The counted calls of one job run without a fault, by kind ("any" too).
    std::map<std::string, long> CountCalls(Op op) {
        const Scene scene(root, dstOnDisk);
        scene.For(op);
        const auto [r, log] = scene.RunShimmed(op, "any", 0, EIO, "fail");
        EXPECT_TRUE(r.exitedWith(0)) << OpName(op) << " without a fault: " << r.describe();
        std::map<std::string, long> counts = log.counts;
        long any = 0;
        std::string text;
        for (const auto& [kind, n] : counts) {
            any += n;
            if (n > 0)
                text += " " + kind + " " + std::to_string(n);
        }
        counts["any"] = any;
        // No calls counted means no cases below: the sweep would pass unseen.
        EXPECT_GT(any, 0) << "the fault shim did not load into " << OpName(op) << ": "
                          << ShimPath();
        std::cout << "[integrity] " << OpName(op) << " makes " << any << " file calls:" << text
                  << std::endl;
        return counts;
    }

    // Where NEWS is after a run, looked at once.
    struct Found {
        RecordingState source, destination;
        bool converted = false;   // the target holds exactly the reference
        bool targetKept = false;  // the target is as it was before the job
        std::string targetDetail; // what is there otherwise
    };

    Found Look(Op op, const Scene& s) const {
        Found f{StateOf(s.src, s.news), StateOf(s.dst, s.news, s.location())};
        if (!IsConvert(op))
            return f;
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(s.target, ec);
        const bool there = fs::exists(status);
        const std::vector<uint8_t> bytes =
            fs::is_regular_file(status) ? ReadFile(s.target) : std::vector<uint8_t>{};
        f.converted = fs::is_regular_file(status) && bytes == reference;
        f.targetKept = op == Op::kConvert ? !there : bytes == Scene::OlderTarget();
        if (!f.converted && !f.targetKept)
            f.targetDetail = there ? std::to_string(bytes.size()) + " bytes, neither the "
                                                                    "conversion nor what was there"
                                   : "gone";
        return f;
    }

    static bool JobDone(Op op, const Found& f) {
        switch (op) {
        case Op::kCopy:
            return f.source.original && f.destination.presence == Presence::kComplete;
        case Op::kMove:
            return f.source.presence == Presence::kAbsent &&
                   f.destination.presence == Presence::kComplete;
        case Op::kDelete:
            return f.source.presence == Presence::kAbsent;
        case Op::kConvert:
        case Op::kConvertOver:
            return f.source.original && f.converted;
        }
        return false;
    }

    // What must hold in any state, also right after a kill: nothing lost,
    // nothing un-named changed, the list honest.
    void CheckState(Op op, const Scene& s, const Found& f, const std::string& label) {
        auto fail = [&](const std::string& what) { violations.push_back(label + ": " + what); };
        if (f.source.presence == Presence::kFragment ||
            f.destination.presence == Presence::kFragment)
            ++figures.fragments;
        // A temporary left after a fault is not listed and harms no
        // recording; it is counted, not failed.
        if (!s.Strays().empty())
            ++figures.strays;
        if ((op == Op::kCopy || IsConvert(op)) && !f.source.original)
            fail("the source changed: " + std::string(PresenceName(f.source.presence)) + " " +
                 f.source.detail);
        if (op == Op::kMove && f.source.presence == Presence::kComplete && !f.source.original)
            fail("the source changed: " + f.source.detail);
        if ((op == Op::kCopy || op == Op::kMove) && f.source.presence != Presence::kComplete &&
            f.destination.presence != Presence::kComplete) {
            ++figures.lost;
            fail("RECORDING LOST: source " + std::string(PresenceName(f.source.presence)) + " (" +
                 f.source.detail + "), destination " + PresenceName(f.destination.presence) + " (" +
                 f.destination.detail + ")");
        }
        if (IsConvert(op)) {
            ++figures.conversions;
            if (!f.converted && !f.targetKept) {
                ++figures.partialTargets;
                fail("the target is neither whole nor as it was: " + f.targetDetail);
            }
        }
        if (!StateOf(s.src, s.cut).original)
            fail("the bystander CUT changed");
        if (!StateOf(s.dst, s.radio).original)
            fail("the bystander RADIO changed");
        if (ReadFile(s.src / "song.mp3") != PatternBytes(70000, 3))
            fail("the bystander song.mp3 changed");
        if (ReadFile(s.dst / "keep.mem") != PatternBytes(5000, 4))
            fail("the bystander keep.mem changed");
        for (const std::string& p :
             DishonestRows(s.src, {{&s.news, ""}, {&s.cut, ""}}, {"song.mp3"}))
            fail("source list: " + p);
        for (const std::string& p :
             DishonestRows(s.dst, {{&s.news, s.location()}, {&s.radio, ""}}, {"keep.mem"}))
            fail("destination list: " + p);
    }

    // The exit status against what happened. `failed` says that the shim's
    // hit made the call fail (not a Ctrl+C).
    void CheckOutcome(Op op, const Scene& s, const Found& f, const ProcessResult& r,
                      const ShimLog& log, bool failed, const std::string& label) {
        auto fail = [&](const std::string& what) {
            violations.push_back(label + ": " + what + " [" + r.describe() + "]");
        };
        const bool done = JobDone(op, f);
        if (r.signal != 0 || (r.exitCode != 0 && r.exitCode != 1 && r.exitCode != 130)) {
            fail("ended abnormally");
            return;
        }
        if (r.exitCode == 0 && !done)
            fail(IsConvert(op)
                     ? "reported success, but the output differs from a conversion without faults"
                     : "reported success, but the job is not done: source " +
                           std::string(PresenceName(f.source.presence)) + ", destination " +
                           PresenceName(f.destination.presence) + " " + f.destination.detail);
        // A transfer that did everything has nothing left to cancel.
        if (r.exitCode == 130 && done && !IsConvert(op))
            fail("reported Cancelled, but the job was done");
        // A conversion that failed or was cancelled leaves the target as it was.
        if (IsConvert(op) && r.exitCode != 0 && !f.targetKept)
            fail(std::string(r.exitCode == 130 ? "cancelled" : "failed") +
                 ", yet the target changed: " +
                 (f.converted ? "it holds the conversion" : f.targetDetail));
        if (IsConvert(op) && r.exitCode == 130 &&
            r.err.find("Convert Canceled; " + s.target.string()) == std::string::npos)
            fail("cancelled without saying what became of the target");
        if (r.exitCode == 1 && r.err.empty())
            fail("failed without saying why");
        // A copy or move that failed or was cancelled takes back what it
        // put at the destination: nothing there may look like a start.
        if ((op == Op::kCopy || op == Op::kMove) && r.exitCode != 0 &&
            f.destination.presence == Presence::kFragment)
            fail("a job that did not finish left a fragment at the destination: " +
                 f.destination.detail);
        if (!log.fault || !failed)
            return;
        const Event& e = *log.fault;
        // A write that did not reach the disk is a failure, however late.
        const bool lostWrite = e.kind == "write" || e.kind == "fsync" || e.kind == "truncate" ||
                               (e.kind == "close" && e.written);
        if (lostWrite && Under(e.path, s.dst) && r.exitCode == 0)
            fail("a failed " + e.kind + " on " + e.path + " was reported as success");
        // A read error before anything was removed leaves the source whole.
        const std::vector<Event> before = log.before();
        const bool removedBefore = std::any_of(before.begin(), before.end(), [&](const Event& b) {
            return (b.kind == "unlink" || b.kind == "rename") && Under(b.path, s.src);
        });
        if ((e.kind == "open" || e.kind == "read") && Under(e.path, s.src) && !removedBefore &&
            (op == Op::kDelete || op == Op::kMove) && r.exitCode != 0 && !f.source.original)
            fail("a read error before anything was removed left the source " +
                 std::string(PresenceName(f.source.presence)) + " (" + f.source.detail + ")");
        if (IsConvert(op) && e.kind == "read" && Under(e.path, s.src) && e.path.ends_with(".AVR")) {
            if (r.exitCode == 0)
                fail("a read error in " + e.path + " was reported as success");
            else if (r.err.find("Can't read the source file") == std::string::npos)
                fail("a read error in " + e.path +
                     " is not reported as \"Can't read the source file\"");
        }
    }

    void Check(Op op, const Scene& s, const ProcessResult& r, const ShimLog& log, bool failed,
               const std::string& label) {
        const Found f = Look(op, s);
        CheckState(op, s, f, label);
        CheckOutcome(op, s, f, r, log, failed, label);
    }

    // Killed at a seeded random file call, then run again: the second run
    // finishes the job, whatever the first one left.
    void KillAndRetry(int runs, unsigned seed, const std::vector<Op>& ops) {
        std::mt19937 random(seed);
        std::map<Op, long> counts;
        for (Op op : ops)
            counts[op] = CountCalls(op)["any"];
        for (int run = 0; run < runs; ++run) {
            const Op op = ops[static_cast<size_t>(run) % ops.size()];
            const long n = std::uniform_int_distribution<long>(1, std::max(1L, counts[op]))(random);
            Scene scene(root, dstOnDisk);
            scene.For(op);
            const auto [killed, log] = scene.RunShimmed(op, "any", n, 0, "kill");
            const std::string label =
                std::string(OpName(op)) + ", killed at call #" + std::to_string(n) + FaultText(log);
            ++figures.kills;
            if (killed.signal != SIGKILL)
                violations.push_back(label + ": was not killed [" + killed.describe() + "]");
            CheckState(op, scene, Look(op, scene), label);
            if (JobDone(op, Look(op, scene)))
                continue;
            ++figures.retries;
            const ProcessResult again = Cli(scene.Arguments(op), scene.Environment());
            const Found after = Look(op, scene);
            if (!again.exitedWith(0) || !JobDone(op, after))
                violations.push_back(label + ": the retry did not finish the job [" +
                                     again.describe() + "], source " +
                                     PresenceName(after.source.presence) + ", destination " +
                                     FolderContents(scene.dst));
            CheckState(op, scene, after, label + ", after the retry");
            if (!scene.Strays().empty())
                ++figures.straysAfterRetry;
        }
    }

    void Report(const std::string& title) {
        std::cout << "[integrity] " << title << ": " << figures.faultCases << " fault cases, "
                  << figures.interrupts << " Ctrl+C cases, " << figures.kills << " kills ("
                  << figures.retries << " retried), recordings lost: " << figures.lost
                  << ", fragments left: " << figures.fragments
                  << ", states with temporaries left: " << figures.strays << " ("
                  << figures.straysAfterRetry << " after a retry)"
                  << ", conversion states: " << figures.conversions
                  << " (targets neither whole nor as they were: " << figures.partialTargets << ")"
                  << ", violations: " << violations.size() << std::endl;
        RecordProperty("fault_cases", figures.faultCases);
        RecordProperty("interrupts", figures.interrupts);
        RecordProperty("kills", figures.kills);
        RecordProperty("recordings_lost", figures.lost);
        RecordProperty("conversion_states", figures.conversions);
        RecordProperty("partial_targets", figures.partialTargets);
        EXPECT_EQ(figures.lost, 0);
        EXPECT_EQ(figures.partialTargets, 0);
        // Every violation goes to the log; the failure message names the first few.
        std::string text;
        for (size_t i = 0; i < violations.size(); ++i) {
            std::cout << "[integrity]   " << violations[i] << "\n";
            if (i < 20)
                text += "\n  " + violations[i];
        }
        EXPECT_TRUE(violations.empty()) << violations.size() << " violations" << text;
    }
};

TEST_F(IntegritySweep, EveryFileCallFailsInTurn) {
    for (Op op : {Op::kCopy, Op::kMove, Op::kDelete, Op::kConvert, Op::kConvertOver}) {
        const std::map<std::string, long> counts = CountCalls(op);
        for (const FaultKind& fault : kFaults) {
            const auto it = counts.find(fault.kind);
            const long count = it == counts.end() ? 0 : it->second;
            for (long n : Sample(count, kMaxPerKind)) {
                Scene scene(root, dstOnDisk);
                scene.For(op);
                const auto [r, log] = scene.RunShimmed(op, fault.kind, n, fault.error, "fail");
                const std::string label = std::string(OpName(op)) + ", " + fault.kind + " #" +
                                          std::to_string(n) + " fails with " +
                                          (fault.error == EIO ? "EIO" : "ENOSPC") +
                                          (log.fault ? " (" + log.fault->path + ")" : "");
                ++figures.faultCases;
                Check(op, scene, r, log, true, label);
            }
        }
    }
    Report("fault sweep");
}

TEST_F(IntegritySweep, CtrlCAtEveryFileCall) {
    for (Op op : {Op::kCopy, Op::kMove, Op::kConvert, Op::kConvertOver}) {
        const long count = CountCalls(op)["any"];
        for (long n : Sample(count, 100)) {
            Scene scene(root, dstOnDisk);
            scene.For(op);
            const auto [r, log] = scene.RunShimmed(op, "any", n, 0, "sigint");
            const std::string label =
                std::string(OpName(op)) + ", Ctrl+C at call #" + std::to_string(n) + FaultText(log);
            ++figures.interrupts;
            Check(op, scene, r, log, false, label);
        }
    }
    Report("Ctrl+C sweep");
}

// Killed at a seeded random file call, then run again: the second run
// finishes the job, whatever the first one left.
TEST_F(IntegritySweep, KilledAtRandomMomentsThenRetried) {
    KillAndRetry(40, 20261208, {Op::kCopy, Op::kMove, Op::kDelete, Op::kConvert, Op::kConvertOver});
    Report("kills");
}

// The same onto a FAT32 disk through FUSE, whose driver does its own renames
// and flushes.
TEST_F(IntegritySweep, KilledWhileCopyingOntoAFatDiskThenRetried) {
    std::error_code ec;
    fs::remove_all(root / "dst", ec); // a FUSE mount wants an empty folder
    RealMount disk(FileSystem::kFat32, root / "dst");
    DZ_REQUIRE_MOUNT(disk);
    dstOnDisk = true;
    KillAndRetry(12, 20261209, {Op::kCopy, Op::kMove});
    Report("kills onto FAT32");
}

// A move makes its copy durable before it removes the source: every file it
// wrote at the destination, and the destination folder, are flushed first.
TEST_F(IntegritySweep, AMoveFlushesItsCopyBeforeRemovingTheSource) {
    Scene scene(root, dstOnDisk);
    const auto [r, log] = scene.RunShimmed(Op::kMove, "any", 0, EIO, "fail");
    ASSERT_TRUE(r.exitedWith(0)) << r.describe();
    const auto firstRemoval = std::find_if(log.calls.begin(), log.calls.end(), [&](const Event& e) {
        return (e.kind == "unlink" || e.kind == "rename") && Under(e.path, scene.src);
    });
    ASSERT_NE(firstRemoval, log.calls.end()) << "the source was never removed";
    // Whatever name a file was written under (a temporary one included) is
    // the name it must be flushed under.
    std::set<std::string> written, flushed;
    for (auto e = log.calls.begin(); e != firstRemoval; ++e) {
        if ((e->kind == "write" || e->kind == "copy_file_range") && Under(e->path, scene.dst))
            written.insert(e->path);
        if (e->kind == "fsync")
            flushed.insert(e->path);
    }
    EXPECT_FALSE(written.empty());
    for (const std::string& path : written)
        EXPECT_TRUE(flushed.count(path)) << path << " was not flushed before the source went";
    EXPECT_TRUE(flushed.count(scene.dst.string()))
        << "the destination folder was not flushed before the source went (its new entries "
           "may be lost in a power cut)";
}

// The target's large-file rule comes from the mount table. When it cannot be
// read, a recording of several parts is not converted on a guess: the
// conversion fails with its reason and makes nothing. A target that exists
// is refused without --replace; a link there is not written through.
TEST_F(IntegritySweep, ConvertRefusesWhatItCannotDoSafely) {
    for (const char* kind : {"open", "read"}) {
        Scene scene(root, dstOnDisk);
        EnvChanges env = scene.Environment();
        env.push_back({"LD_PRELOAD", ShimPath()});
        env.push_back({"DZ_FAULT_DIRS", "/proc/self/mounts"});
        env.push_back({"DZ_FAULT_CALLS", kind});
        env.push_back({"DZ_FAULT_NTH", "1"});
        env.push_back({"DZ_FAULT_LOG", (scene.logs / "shim.log").string()});
        const ProcessResult r = Cli(scene.Arguments(Op::kConvert), env);
        const ShimLog log = ReadShimLog(scene.logs / "shim.log");
        EXPECT_TRUE(log.fault.has_value()) << kind << ": the mount table was never read";
        EXPECT_TRUE(r.exitedWith(1)) << kind << ": " << r.describe();
        EXPECT_NE(r.err.find("Can't tell the file system of the target's disk"), std::string::npos)
            << r.err;
        EXPECT_FALSE(fs::exists(fs::symlink_status(scene.target))) << kind;
        EXPECT_TRUE(scene.Strays().empty()) << FolderContents(scene.dst);
    }

    Scene scene(root, dstOnDisk);
    WriteFile(scene.target, Scene::OlderTarget());
    ProcessResult r = Cli(scene.Arguments(Op::kConvert), scene.Environment());
    EXPECT_TRUE(r.exitedWith(1)) << r.describe();
    EXPECT_EQ(r.err, scene.target.string() + " already exists; it was left as it was\n");
    EXPECT_EQ(ReadFile(scene.target), Scene::OlderTarget());

    fs::remove(scene.target);
    WriteFile(scene.dst / "other.mpg", Scene::OlderTarget());
    fs::create_symlink(scene.dst / "other.mpg", scene.target);
    r = Cli(scene.Arguments(Op::kConvert), scene.Environment());
    EXPECT_TRUE(r.exitedWith(1)) << r.describe();
    r = Cli(scene.Arguments(Op::kConvertOver), scene.Environment());
    EXPECT_TRUE(r.exitedWith(0)) << r.describe();
    EXPECT_FALSE(fs::is_symlink(scene.target)) << "the link itself is replaced";
    EXPECT_EQ(ReadFile(scene.target), reference);
    EXPECT_EQ(ReadFile(scene.dst / "other.mpg"), Scene::OlderTarget()) << "written through a link";
}

} // namespace
} // namespace dz::test
