// A recording's picture from a disk that fails: each open and each read of
// the recording's files fails in turn. Every run must end by itself (no
// crash, no hang) with either a whole picture or a failure that says so,
// and never leave half a PNG or a temporary behind.
#include "integrity/promise_check.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

namespace dz::test {
namespace {

namespace fs = std::filesystem;

const std::string kNews = "NEWS_#001_200612241930.AVR";

std::map<std::string, long> ShimCounts(const fs::path& log) {
    std::map<std::string, long> counts;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string word, kind;
        long n = 0;
        if (fields >> word >> kind >> n && word == "count")
            counts[kind] = n;
    }
    return counts;
}

TEST(ThumbnailFaults, EveryFailedOpenOrReadEndsCleanly) {
    TempDir disk, out;
    for (const auto& entry : fs::directory_iterator(fs::path(DEZADIDE_FIXTURES) / "rec/news"))
        fs::copy_file(entry.path(), disk.path() / entry.path().filename());
    const fs::path png = out / "news.png";
    const fs::path log = out.path().parent_path() / (out.path().filename().string() + ".log");
    const auto run = [&](const std::string& kind, long nth) {
        fs::remove(log);
        return Cli({"thumbnail", (disk.path() / kNews).string(), png.string()},
                   {{"LD_PRELOAD", ShimPath()},
                    {"DZ_FAULT_DIRS", disk.path().string()},
                    {"DZ_FAULT_CALLS", kind},
                    {"DZ_FAULT_NTH", std::to_string(nth)},
                    {"DZ_FAULT_LOG", log.string()}});
    };
    const ProcessResult clean = run("open,read", 0);
    ASSERT_TRUE(clean.exitedWith(0)) << clean.describe();
    const std::map<std::string, long> counts = ShimCounts(log);
    ASSERT_GT(counts.count("read") ? counts.at("read") : 0, 0) << "the fault shim did not load";
    fs::remove(png);

    int failures = 0;
    for (const std::string kind : {"open", "read"}) {
        const long calls = counts.count(kind) ? counts.at(kind) : 0;
        for (long n = 1; n <= calls; ++n) {
            const std::string label = kind + " #" + std::to_string(n) + " failed";
            const ProcessResult r = run(kind, n);
            ASSERT_EQ(r.signal, 0) << label << ": " << r.describe();
            if (r.exitCode == 0) {
                std::ifstream in(png, std::ios::binary);
                char signature[8] = {};
                in.read(signature, 8);
                EXPECT_EQ(std::string(signature + 1, 3), "PNG") << label;
            } else {
                ++failures;
                EXPECT_EQ(r.exitCode, 1) << label << ": " << r.describe();
                EXPECT_TRUE(r.err == "Can't read the source file\n" ||
                            r.err == "Can't open the source file\n")
                    << label << ": " << r.err;
                EXPECT_FALSE(fs::exists(png)) << label;
            }
            size_t entries = 0;
            for ([[maybe_unused]] const auto& e : fs::directory_iterator(out.path()))
                ++entries;
            EXPECT_LE(entries, 1u) << label << ": a temporary was left";
            fs::remove(png);
        }
    }
    std::cout << "[integrity] thumbnail: " << counts.at("read") << " reads, "
              << (counts.count("open") ? counts.at("open") : 0) << " opens failed in turn, "
              << failures << " ended in a failure" << std::endl;
    // Failing to read the stream the picture comes from is told, not hidden.
    EXPECT_GT(failures, 0);
}

} // namespace
} // namespace dz::test
