// The stream facts cache: what it keeps comes back whole, a second visit
// reads no stream, a changed recording is read again, and a damaged cache
// file is ignored and written anew.

#include "convert/facts_cache.h"

#include "convert/recording_files.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace dz;
using namespace dz::convert;
using namespace dz::test;
namespace fs = std::filesystem;

namespace {

RecordingFacts SampleFacts() {
    RecordingFacts facts;
    facts.length = 123456789;
    facts.streams.push_back({.kind = StreamKind::Video,
                             .pid = 0x100,
                             .codec = "mpeg2video",
                             .width = 720,
                             .height = 576,
                             .aspect = "16:9",
                             .frameRateNum = 25,
                             .frameRateDen = 1,
                             .bitRate = 6000000});
    facts.streams.push_back({.kind = StreamKind::Audio,
                             .pid = 0x101,
                             .codec = "ac3",
                             .sampleRate = 48000,
                             .channels = 6,
                             .bitRate = 384000});
    facts.streams.push_back({.kind = StreamKind::Audio, .pid = 0x102}); // nothing known
    return facts;
}

TEST(FactsCache, KeepsWhatItIsGivenAcrossSaveAndLoad) {
    TempDir dir;
    const std::u16string file = Text(dir / "deep" / "folder" / "stream-facts");
    FactsCache cache(file);
    EXPECT_FALSE(cache.Load()); // no file yet
    const FactsKey a{1, 2, 3}, b{1, 4, 5};
    RecordingFacts unknown; // a recording whose stream told nothing
    cache.Store(a, SampleFacts());
    cache.Store(b, unknown);
    ASSERT_TRUE(cache.Save());

    FactsCache again(file);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.size(), 2u);
    EXPECT_EQ(again.Find(a), SampleFacts());
    EXPECT_EQ(again.Find(b), unknown);
    // Same file, other state: not found.
    EXPECT_FALSE(again.Find(FactsKey{1, 2, 4}));
    EXPECT_FALSE(again.Find(FactsKey{9, 2, 3}));
    // What reading cost is not kept as a fact.
    RecordingFacts read = SampleFacts();
    read.bytesRead = 1000;
    again.Store(a, read);
    EXPECT_EQ(again.Find(a)->bytesRead, 0u);
}

TEST(FactsCache, ASecondVisitReadsNoStreamAndAChangedRecordingIsReadAgain) {
    TempDir dir;
    const fs::path rec = dir / "rec", cacheFile = dir / "cache" / "stream-facts";
    fs::create_directories(rec);
    for (const auto& entry : fs::directory_iterator(Fixture("rec") / "news"))
        fs::copy_file(entry.path(), rec / entry.path().filename());
    const std::u16string part1 = Text(rec / PartName("NEWS", 1));

    FactsCache first(Text(cacheFile));
    first.Load();
    const RecordingFacts read = CachedRecordingFacts(part1, first);
    EXPECT_GT(read.bytesRead, 100000u);
    ASSERT_TRUE(read.length);
    ASSERT_TRUE(first.Save());

    FactsCache second(Text(cacheFile));
    ASSERT_TRUE(second.Load());
    RecordingFacts again = CachedRecordingFacts(part1, second);
    EXPECT_EQ(again.bytesRead, 0u); // from the cache
    again.bytesRead = read.bytesRead;
    EXPECT_EQ(again, read);
    // Named by another of its parts, it is the same recording.
    EXPECT_EQ(CachedRecordingFacts(Text(rec / PartName("NEWS", 3)), second).bytesRead, 0u);

    // The last part cut short: its stamp changed, the facts are read again.
    std::vector<uint8_t> last = ReadFile(rec / PartName("NEWS", 3));
    last.resize(last.size() / 2);
    WriteFile(rec / PartName("NEWS", 3), last);
    const RecordingFacts changed = CachedRecordingFacts(part1, second);
    EXPECT_GT(changed.bytesRead, 0u);
    EXPECT_LT(*changed.length, *read.length);
}

TEST(FactsCache, ADamagedFileIsIgnoredAndWrittenAnew) {
    TempDir dir;
    const fs::path file = dir / "stream-facts";
    FactsCache good(Text(file));
    good.Store({7, 8, 9}, SampleFacts());
    ASSERT_TRUE(good.Save());
    const std::vector<uint8_t> bytes = ReadFile(file);
    const std::string whole(bytes.begin(), bytes.end());
    const size_t firstEntry = whole.find('\n') + 1;

    const struct {
        const char* what;
        std::string text;
    } damaged[] = {
        {"empty", ""},
        {"another version", "dezadide stream facts 2" + whole.substr(whole.find('\n'))},
        {"cut before its end line", whole.substr(0, whole.rfind("end"))},
        {"cut mid-line", whole.substr(0, whole.size() - 3)},
        {"a count that disagrees", whole.substr(0, whole.rfind("end")) + "end\t2\n"},
        {"a number that is none",
         whole.substr(0, firstEntry) + "R\tx" + whole.substr(firstEntry + 2)},
        {"a stream field too many",
         [&] {
             std::string t = whole;
             const size_t at = t.find(",6000000");
             return at == std::string::npos ? std::string() : t.insert(at + 8, ",1");
         }()},
        {"a codec that is no word",
         [&] {
             std::string t = whole;
             t.replace(t.find("mpeg2video"), 10, "mpeg2 vide");
             return t;
         }()},
        {"binary", std::string("\0\xff\x47\n\n", 5)},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.what);
        WriteFile(file, d.text);
        FactsCache cache(Text(file));
        EXPECT_FALSE(cache.Load());
        EXPECT_EQ(cache.size(), 0u);
        EXPECT_FALSE(cache.Find({7, 8, 9}));
        // Written anew even with nothing to add, so it is read next time.
        ASSERT_TRUE(cache.Save());
        FactsCache next(Text(file));
        EXPECT_TRUE(next.Load());
    }
}

TEST(FactsCache, NoFileMeansMemoryOnly) {
    FactsCache cache;
    EXPECT_FALSE(cache.Load());
    cache.Store({1, 1, 1}, SampleFacts());
    EXPECT_TRUE(cache.Save());
    EXPECT_EQ(cache.Find({1, 1, 1}), SampleFacts());
}

} // namespace
