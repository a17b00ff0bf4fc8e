#include "recording/demo_disk.h"

#include "common/text.h"
#include "recording/RecordingName.h"
#include "recording/folder_listing.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

using namespace dz;

namespace {

using namespace dz::test;
namespace fs = std::filesystem;

const fs::path kFixtures = DEZADIDE_FIXTURES;

// The clips as the package installs them: one flat folder.
void CopyClips(const fs::path& to) {
    fs::copy_file(kFixtures / "av_mp2.ts", to / "av_mp2.ts");
    fs::copy_file(kFixtures / "av_ac3.ts", to / "av_ac3.ts");
    fs::copy_file(kFixtures / "audio_mp2.ts", to / "audio_mp2.ts");
    fs::copy_file(kFixtures / "es" / "mp3_32k_128.mp3", to / "mp3_32k_128.mp3");
}

std::u16string U(const fs::path& p) {
    return *dz::FromUtf8(p.string());
}

std::set<std::u16string> ShownNames(const fs::path& folder) {
    std::set<std::u16string> names;
    for (const FileListRow& row : ListFolderRows(U(folder)))
        names.insert(row.fileName + u" | " + row.realFileName);
    return names;
}

std::string Field(const std::vector<uint8_t>& bytes, size_t offset) {
    std::string text;
    for (size_t i = offset; i < offset + kLocationFieldSize && bytes[i]; ++i)
        text += static_cast<char>(bytes[i]);
    return text;
}

TEST(DemoDisk, EveryFolderListsItsRecordingsAndPlainFiles) {
    TempDir clips, disk;
    CopyClips(clips.path());
    ASSERT_EQ(dz::MakeDemoDisk(clips.text(), disk.text()), 0);

    const struct {
        const char* folder;
        std::set<std::u16string> rows;
    } cases[] = {
        {"", {u"readme.mem | readme.mem"}},
        {"REC",
         {u"NEWS | NEWS_#001_200612241930.AVR", u"FILM | FILM_#001_200701051815.AVR",
          u"RADIO | RADIO_#001_200703110700.AVR"}},
        {"REC/KIDS",
         {u"CARTOON | CARTOON_#001_200702031600.AVR",
          u"CARTOON | CARTOON_#001_200702031600_001.AVR"}},
        {"REC/ARCHIVE", {}},
        {"MP3", {u"Morning Tone.mp3 | Morning Tone.mp3", u"JINGLE.MP3 | JINGLE.MP3"}},
        {"MP3/Old", {u"tone 2006.mp3 | tone 2006.mp3"}},
        {"MEM", {u"timer.mem | timer.mem", u"CHANNELS.MEM | CHANNELS.MEM"}},
        {"MEM/Empty", {}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(fs::is_directory(disk / c.folder)) << c.folder;
        EXPECT_EQ(ShownNames(disk / c.folder), c.rows) << c.folder;
    }
    EXPECT_EQ(dz::test::ReadFile(disk / "MP3" / "JINGLE.MP3"),
              dz::test::ReadFile(clips / "mp3_32k_128.mp3"));
}

// Each recording is its clip cut at packet boundaries: the parts' streams
// joined give the clip back, and the companion and every part header agree
// on the count, the size and where the recorder finds it.
TEST(DemoDisk, RecordingsAreTheirClipsInPartsWithConsistentHeaders) {
    TempDir clips, disk;
    CopyClips(clips.path());
    ASSERT_EQ(dz::MakeDemoDisk(clips.text(), disk.text()), 0);

    const struct {
        const char* part1;
        const char* clip;
        int parts;
        const char* location;
    } cases[] = {
        {"REC/NEWS_#001_200612241930.AVR", "av_mp2.ts", 3, "C:\\REC\\NEWS_#001_200612241930.AVF"},
        {"REC/FILM_#001_200701051815.AVR", "av_ac3.ts", 2, "C:\\REC\\FILM_#001_200701051815.AVF"},
        {"REC/RADIO_#001_200703110700.AVR", "audio_mp2.ts", 1,
         "C:\\REC\\RADIO_#001_200703110700.AVF"},
        {"REC/KIDS/CARTOON_#001_200702031600_001.AVR", "av_ac3.ts", 2,
         "C:\\REC\\KIDS\\CARTOON_#001_200702031600_001.AVF"},
    };
    const CRecordingName names;
    for (const auto& c : cases) {
        const std::u16string part1 = U(disk / c.part1);
        const CompanionRead companion = ReadCompanionOf(part1);
        ASSERT_TRUE(companion.Ok()) << c.part1;
        EXPECT_EQ(companion.partCount, c.parts) << c.part1;
        EXPECT_EQ(Field({companion.head.begin(), companion.head.end()}, kCompanionLocationOffset),
                  c.location);

        std::vector<uint8_t> joined;
        int64_t total = 0;
        for (int k = 1; k <= c.parts; ++k) {
            std::u16string path;
            names.MakeSiblingPartPath(path, part1, k);
            const std::vector<uint8_t> part = ReadFile(dz::ToUtf8(path));
            ASSERT_GT(part.size(), kPartHeaderSize) << c.part1 << " part " << k;
            total += static_cast<int64_t>(part.size());
            EXPECT_EQ(Field(part, kPartLocationOffset), c.location) << k;
            const size_t offset =
                size_t(part[kPartStreamOffsetOffset]) << 8 | part[kPartStreamOffsetOffset + 1];
            ASSERT_LT(offset, part.size());
            EXPECT_EQ(part[offset], 0x47) << "a packet starts at the stream offset, part " << k;
            EXPECT_EQ((part.size() - offset) % 188, 0u) << k;
            joined.insert(joined.end(), part.begin() + static_cast<long>(offset), part.end());
        }
        EXPECT_EQ(companion.totalSize, total) << c.part1;
        std::vector<uint8_t> clip = ReadFile(clips / c.clip);
        clip.resize(clip.size() / 188 * 188);
        EXPECT_TRUE(joined == clip) << c.part1 << ": the parts do not join to the clip";
    }
}

TEST(DemoDisk, LivesInAFreshTemporaryFolderThatGoesWithIt) {
    TempDir temp, clips;
    ScopedEnv tmpdir("TMPDIR", temp.path().string());
#ifdef _WIN32
    // Windows takes its temporary folder from TMP, then TEMP.
    ScopedEnv tmp("TMP", temp.path().string()), tempVariable("TEMP", temp.path().string());
#endif
    CopyClips(clips.path());
    fs::path root;
    {
        dz::CDemoDisk demo;
        ASSERT_TRUE(demo.Create(clips.text()));
        root = dz::ToUtf8(demo.Root());
        EXPECT_EQ(root.parent_path(), temp.path());
        EXPECT_EQ(U(root / "recorder"), demo.Disk());
        EXPECT_EQ(U(root / "backup"), demo.Backup());
        EXPECT_TRUE(fs::is_empty(dz::ToUtf8(demo.Backup())));
        EXPECT_TRUE(fs::exists(root / "recorder" / "REC" / "NEWS_#003_200612241930.AVR"));

        dz::CDemoDisk second; // a second demo never shares the first one's folder
        ASSERT_TRUE(second.Create(clips.text()));
        EXPECT_NE(second.Root(), demo.Root());
    }
    EXPECT_FALSE(fs::exists(root));
    EXPECT_TRUE(fs::is_empty(temp.path()));
}

TEST(DemoDisk, AMissingClipFailsAndLeavesNothingBehind) {
    TempDir temp, clips;
    CopyClips(clips.path());
    ScopedEnv tmpdir("TMPDIR", temp.path().string());
#ifdef _WIN32
    // Windows takes its temporary folder from TMP, then TEMP.
    ScopedEnv tmp("TMP", temp.path().string()), tempVariable("TEMP", temp.path().string());
#endif
    for (const char* missing : dz::kDemoClipNames) {
        fs::rename(clips / missing, clips / "aside");
        dz::CDemoDisk demo;
        EXPECT_FALSE(demo.Create(clips.text())) << missing;
        EXPECT_TRUE(demo.Root().empty()) << missing;
        EXPECT_TRUE(fs::is_empty(temp.path())) << missing;
        fs::rename(clips / "aside", clips / missing);
    }
}

} // namespace
