#include "platform/platform.h"

#include "platform/console.h"

#include "common/text.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace dz::platform;
using dz::test::TempDir;
using dz::test::WriteFile;

std::vector<std::u16string> NamesOf(const std::vector<FolderEntry>& entries) {
    std::vector<std::u16string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef _WIN32
constexpr uint32_t kReadOnly = 0x1; // FILE_ATTRIBUTE_READONLY

TEST(Platform, JoinsAndConvertsPaths) {
    EXPECT_EQ(JoinPath(u"E:", u"REC"), u"E:\\REC");
    EXPECT_EQ(JoinPath(u"E:\\", u"REC"), u"E:\\REC");
    EXPECT_EQ(JoinPath(u"E:\\REC", u"NEWS"), u"E:\\REC\\NEWS");
    EXPECT_EQ(ToPath(u"E:").wstring(), L"E:\\") << "a drive alone stands for its root";
    EXPECT_EQ(ToPath(u"C:\\a\\\u00e9").wstring(), L"C:\\a\\\u00e9");
    EXPECT_EQ(FromPath(L"C:\\a\\\u00e9"), std::u16string(u"C:\\a\\\u00e9"));
    // Windows names are UTF-16 like the texts: every one converts, even a
    // lone surrogate.
    const std::u16string lone{u'a', static_cast<char16_t>(0xD800)};
    EXPECT_EQ(FromPath(std::wstring{L'a', static_cast<wchar_t>(0xD800)}), lone);
}
#else
TEST(Platform, JoinsAndConvertsPaths) {
    EXPECT_EQ(JoinPath(u"/media/rec", u"REC"), u"/media/rec/REC");
    EXPECT_EQ(JoinPath(u"/", u"tmp"), u"/tmp");
    EXPECT_EQ(ToPath(u"/a/\u00e9").string(), "/a/\xC3\xA9");
    EXPECT_EQ(FromPath("/a/\xC3\xA9"), std::u16string(u"/a/\u00e9"));
    EXPECT_FALSE(FromPath("/a/\xFF"));
}
#endif

TEST(Platform, SearchFolderListsEntriesWithKindSizeAndTime) {
    TempDir dir;
    WriteFile(dir / "a.mp3", std::string(5000, 'x'));
    WriteFile(dir.path() / u"\u00e9.mem", "y");
#ifndef _WIN32
    WriteFile(dir / "bad\xFF.mp3", "z"); // not UTF-8: skipped, with a diagnostic
#endif
    std::filesystem::create_directory(dir / "sub");
    const bool linked = dz::test::MakeFolderLink(dir / "sub", dir / "link");

    std::vector<FolderEntry> entries;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SearchFolder(dir.text(), entries));
    const std::string diagnostic = testing::internal::GetCapturedStderr();
#ifdef _WIN32
    EXPECT_EQ(diagnostic, "") << "every Windows name is a text";
#else
    EXPECT_NE(diagnostic.find("bad\\xFF.mp3"), std::string::npos) << diagnostic;
#endif
    std::vector<std::u16string> expected{u"a.mp3", u"sub", u"\u00e9.mem"};
    if (linked)
        expected.insert(expected.begin() + 1, u"link");
    EXPECT_EQ(NamesOf(entries), expected);
    for (const auto& e : entries) {
        if (e.name == u"a.mp3") {
            EXPECT_FALSE(e.isFolder);
            EXPECT_EQ(e.size, 5000u);
            EXPECT_GT(e.creationTime, 0);
        }
        if (e.name == u"sub" || e.name == u"link") {
            EXPECT_TRUE(e.isFolder) << "a link to a folder browses like one";
        }
    }
    EXPECT_TRUE(HasSubfolder(dir.text()));
    EXPECT_FALSE(HasSubfolder(JoinPath(dir.text(), u"sub")));
    EXPECT_FALSE(SearchFolder(JoinPath(dir.text(), u"missing"), entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(SearchFolder(u"", entries));
}

#ifdef _WIN32
TEST(Platform, AttributesAreCopiedAndResetBeforeDelete) {
    TempDir dir;
    const std::u16string file = JoinPath(dir.text(), u"ro.AVR");
    WriteFile(dir / "ro.AVR", "x");
    ASSERT_TRUE(SetAttributes(file, Attributes{kReadOnly}));
    EXPECT_TRUE(GetAttributes(file)->mode & kReadOnly);
    EXPECT_TRUE(ResetAttributesAndDelete(file)) << "FILE_ATTRIBUTE_NORMAL first, then delete";
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(ResetAttributesAndDelete(file));
    EXPECT_FALSE(GetAttributes(file));
    // A folder is no file to delete.
    std::filesystem::create_directory(dir / "sub.mp3");
    EXPECT_FALSE(ResetAttributesAndDelete(JoinPath(dir.text(), u"sub.mp3")));
}
#else
TEST(Platform, AttributesAreCopiedAndResetBeforeDelete) {
    TempDir dir;
    const std::u16string file = dir.text() + u"/ro.AVR";
    WriteFile(dir / "ro.AVR", "x");
    ASSERT_TRUE(SetAttributes(file, Attributes{0444}));
    EXPECT_EQ(GetAttributes(file)->mode, 0444u);
    EXPECT_TRUE(ResetAttributesAndDelete(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(ResetAttributesAndDelete(file));
    EXPECT_FALSE(GetAttributes(file));

    // A link goes, its read-only target stays untouched.
    WriteFile(dir / "target", "x");
    ASSERT_TRUE(SetAttributes(dir.text() + u"/target", Attributes{0400}));
    std::filesystem::create_symlink(dir / "target", dir / "link.mp3");
    EXPECT_TRUE(ResetAttributesAndDelete(dir.text() + u"/link.mp3"));
    EXPECT_EQ(GetAttributes(dir.text() + u"/target")->mode, 0400u);
}
#endif

#ifdef _WIN32
TEST(Platform, ResolveCaseLeavesNamesToAFileSystemThatIgnoresCase) {
    TempDir dir;
    WriteFile(dir / "news_#001_200612241930.avf", "x");
    // The built name opens the file as it is: nothing to look up.
    const std::u16string built = JoinPath(dir.text(), u"NEWS_#001_200612241930.AVF");
    EXPECT_EQ(ResolveCase(built), built);
    EXPECT_TRUE(File::OpenRead(ResolveCase(built)).IsOpen());
    EXPECT_EQ(ResolveCase(JoinPath(dir.text(), u"OTHER.AVF")), JoinPath(dir.text(), u"OTHER.AVF"));
    FolderCaseIndex index(dir.text());
    EXPECT_EQ(index.Resolve(u"NEWS_#001_200612241930.AVF"), u"NEWS_#001_200612241930.AVF");
    EXPECT_EQ(index.Resolve(u"MISSING.AVR"), u"MISSING.AVR");
}
#else
TEST(Platform, ResolveCaseFindsABuiltNameWhoseExtensionIsInAnotherCase) {
    TempDir dir;
    WriteFile(dir / "NEWS_#001_200612241930.avf", "x");
    WriteFile(dir / "news_#002_200612241930.AVR", "another recording's part");
    const std::u16string built = dir.text() + u"/NEWS_#001_200612241930.AVF";
    EXPECT_EQ(ResolveCase(built), dir.text() + u"/NEWS_#001_200612241930.avf");
    // Existing names and names found nowhere come back as built.
    EXPECT_EQ(ResolveCase(dir.text() + u"/NEWS_#001_200612241930.avf"),
              dir.text() + u"/NEWS_#001_200612241930.avf");
    EXPECT_EQ(ResolveCase(dir.text() + u"/OTHER.AVF"), dir.text() + u"/OTHER.AVF");
    // The recording name is never matched in another case: news is not NEWS.
    EXPECT_EQ(ResolveCase(dir.text() + u"/NEWS_#002_200612241930.AVR"),
              dir.text() + u"/NEWS_#002_200612241930.AVR");
    // Only A-Z fold: an accented letter in another case is another name.
    WriteFile(dir / "A.\xC3\xA9", "x");
    EXPECT_EQ(ResolveCase(dir.text() + u"/A.\u00c9"), dir.text() + u"/A.\u00c9");

    FolderCaseIndex index(dir.text());
    EXPECT_EQ(index.Resolve(u"NEWS_#001_200612241930.AVF"), u"NEWS_#001_200612241930.avf");
    EXPECT_EQ(index.Resolve(u"MISSING.AVR"), u"MISSING.AVR");
    // Two stored names that fit leave the choice open: neither is taken.
    WriteFile(dir / "X_#001_200612241930.avr", "x");
    WriteFile(dir / "X_#001_200612241930.Avr", "x");
    FolderCaseIndex twice(dir.text());
    EXPECT_EQ(twice.Resolve(u"X_#001_200612241930.AVR"), u"X_#001_200612241930.AVR");
}
#endif

TEST(Platform, SameFileSeesLinksAndOtherPaths) {
    TempDir dir;
    WriteFile(dir / "a", "x");
    WriteFile(dir / "b", "x");
    std::filesystem::create_directory(dir / "sub");
    const bool linked = dz::test::MakeFolderLink(dir / "sub", dir / "alias");
    WriteFile(dir / "sub" / "c", "x");
    const std::u16string d = dir.text();
    const auto at = [&](const std::u16string& relative) {
        std::u16string path = JoinPath(d, relative);
        std::replace(path.begin() + d.size(), path.end(), u'/', kSeparator);
        return path;
    };
    EXPECT_TRUE(SameFile(at(u"a"), at(u"./a")));
    EXPECT_FALSE(SameFile(at(u"a"), at(u"b")));
    EXPECT_TRUE(!linked || SameFile(at(u"sub/c"), at(u"alias/c")));
    EXPECT_TRUE(SameFile(at(u"sub/c"), at(u"sub/../sub/c")));
    EXPECT_FALSE(SameFile(at(u"a"), at(u"missing")));
}

#ifdef _WIN32
TEST(Platform, DrivesComeFromTheVariableWhenItIsSet) {
    TempDir dir;
    std::filesystem::create_directories(dir / "rec" / "REC" / "deep");
    const std::string rec = (dir / "rec").string();
    dz::test::ScopedEnv drives("DEZADIDE_DRIVES", dir.path().string() + "\\;" + rec + "\\;;");
    const auto roots = DriveRoots();
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0], dir.text());
    EXPECT_EQ(roots[1], dir.text() + u"\\rec");
    // The longest root that holds the path, also through ".." and in another case.
    EXPECT_EQ(DriveRootOf(dir.text() + u"\\rec\\REC"), dir.text() + u"\\rec");
    EXPECT_EQ(DriveRootOf(dir.text() + u"\\rec\\REC\\deep\\..\\deep"), dir.text() + u"\\rec");
    EXPECT_EQ(DriveRootOf(dir.text() + u"\\REC\\rec"), dir.text() + u"\\rec");
    EXPECT_EQ(DriveRootOf(dir.text() + u"\\recx"), dir.text());
}

TEST(Platform, DrivesAreTheLettersOfFixedAndRemovableDisks) {
    const auto roots = DriveRoots();
    ASSERT_FALSE(roots.empty());
    for (const std::u16string& root : roots) {
        ASSERT_EQ(root.size(), 2u);
        EXPECT_TRUE(root[0] >= u'A' && root[0] <= u'Z' && root[1] == u':');
        EXPECT_TRUE(FolderExists(root));
    }
    EXPECT_TRUE(std::is_sorted(roots.begin(), roots.end())) << "in letter order";
    // A folder's drive is its letter; a drive alone is its own.
    TempDir dir;
    const std::u16string drive = dir.text().substr(0, 2);
    EXPECT_EQ(DriveRootOf(dir.text()), drive);
    EXPECT_EQ(DriveRootOf(drive), drive);
    EXPECT_EQ(DriveRootOf(drive + u"\\"), drive);
}
#else
TEST(Platform, DrivesComeFromTheVariableWhenItIsSet) {
    TempDir dir;
    std::filesystem::create_directories(dir / "rec" / "REC" / "deep");
    const std::string rec = (dir / "rec").string();
    dz::test::ScopedEnv drives("DEZADIDE_DRIVES", dir.path().string() + "/:" + rec + "/::");
    const auto roots = DriveRoots();
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0], dir.text());
    EXPECT_EQ(roots[1], dir.text() + u"/rec");
    // The longest root that holds the path, also through "..".
    EXPECT_EQ(DriveRootOf(dir.text() + u"/rec/REC"), dir.text() + u"/rec");
    EXPECT_EQ(DriveRootOf(dir.text() + u"/rec/REC/deep/../deep"), dir.text() + u"/rec");
    EXPECT_EQ(DriveRootOf(dir.text() + u"/recx"), dir.text());
    // Outside every root: the mount point of its file system.
    const std::u16string outside = DriveRootOf(u"/proc/self");
    EXPECT_EQ(outside, u"/proc");
}
#endif

TEST(Platform, FileSystemTypeOfTheMountThatHoldsAPath) {
#ifndef _WIN32
    EXPECT_EQ(FileSystemTypeOf(u"/proc/self/status"), "proc");
#endif
    TempDir dir;
    // A file not made yet is judged by the folder it will be in.
    EXPECT_EQ(FileSystemTypeOf(JoinPath(dir.text(), u"out.mpg")), FileSystemTypeOf(dir.text()));
    EXPECT_FALSE(FileSystemTypeOf(dir.text()).empty());
}

TEST(Platform, FileReadsWritesAndSeeksPastFourGiB) {
    TempDir dir;
    const std::u16string path = dir.text() + u"/big";
    {
        File f = File::CreateWrite(path);
        ASSERT_TRUE(f.IsOpen());
        ASSERT_TRUE(f.Write("abc", 3));
        const uint64_t far = (uint64_t(5) << 30) + 7; // sparse: no real 5 GiB written
        ASSERT_TRUE(f.Seek(far));
        ASSERT_TRUE(f.Write("xyz", 3));
        EXPECT_EQ(f.Position(), static_cast<int64_t>(far + 3));
        EXPECT_EQ(f.Size(), static_cast<int64_t>(far + 3));
    }
    File f = File::OpenRead(path);
    ASSERT_TRUE(f.IsOpen());
    char buf[8] = {};
    EXPECT_EQ(f.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    ASSERT_TRUE(f.Seek((uint64_t(5) << 30) + 7));
    EXPECT_EQ(f.Read(buf, 8), 3); // stops at the end
    EXPECT_EQ(std::string(buf, 3), "xyz");
    EXPECT_FALSE(f.Write("n", 1)); // opened for reading

    f.Close();
    // The location patch opens a copy read-write: that must not truncate it.
    {
        File rw = File::OpenReadWrite(path);
        ASSERT_TRUE(rw.IsOpen());
        ASSERT_TRUE(rw.Write("A", 1));
    }
    EXPECT_EQ(File::OpenRead(path).Size(), static_cast<int64_t>((uint64_t(5) << 30) + 10));
    EXPECT_EQ(File::CreateWrite(path).Size(), 0);
}

TEST(Platform, FileOpensOnlyRegularFiles) {
    TempDir dir;
#ifdef _WIN32
    // A device name reaches a device, not a file.
    EXPECT_FALSE(File::OpenRead(u"NUL").IsOpen());
    EXPECT_FALSE(File::CreateWrite(JoinPath(dir.text(), u"NUL")).IsOpen());
#else
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(File::OpenRead(dir.text() + u"/fifo").IsOpen());
    EXPECT_FALSE(File::CreateWrite(dir.text() + u"/fifo").IsOpen());
#endif
    EXPECT_FALSE(File::OpenRead(dir.text()).IsOpen());
    EXPECT_FALSE(File::OpenRead(dir.text() + u"/missing").IsOpen());
    EXPECT_FALSE(File::CreateWrite(dir.text() + u"/missing/x").IsOpen());
    EXPECT_FALSE(File::OpenRead(u"").IsOpen());
}

} // namespace

namespace {

using namespace dz::platform;
using dz::test::TempDir;
using dz::test::WriteFile;

TEST(Platform, StagedFilesAreNewHiddenAndCommittedByRename) {
    TempDir dir;
    std::u16string first, second;
    File a = File::CreateTemporary(dir.text(), first);
    File b = File::CreateTemporary(dir.text(), second);
    ASSERT_TRUE(a.IsOpen() && b.IsOpen());
    EXPECT_NE(first, second);
    const std::u16string name = first.substr(first.find_last_of(u"/\\") + 1);
    EXPECT_TRUE(IsTemporaryName(name));
    EXPECT_FALSE(IsTemporaryName(u"NEWS_#001_200612241930.AVR"));
    EXPECT_FALSE(IsTemporaryName(u".dezadide-x-1.tmp"));
    EXPECT_FALSE(IsTemporaryName(u".dezadide-99999999999-1.tmp")) << "no process has that id";
    ASSERT_TRUE(a.Write("new", 3) && a.Flush() && a.Close());
    WriteFile(dir / "target", "old");
#ifdef _WIN32
    // A file in the final place is replaced in one step.
    WriteFile(dir / "final.mp3", "older");
#else
    // A link in the final place is replaced, its target kept.
    std::filesystem::create_symlink(dir / "target", dir / "final.mp3");
#endif
    ASSERT_TRUE(CommitByRename(first, JoinPath(dir.text(), u"final.mp3")));
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "final.mp3"));
    EXPECT_EQ(std::filesystem::file_size(dir / "target"), 3u); // "old"
    EXPECT_EQ(std::filesystem::file_size(dir / "final.mp3"), 3u);
    EXPECT_FALSE(PathExists(first));
    EXPECT_TRUE(FlushFolder(dir.text()));

    // The temporaries of a process that is gone are removed; this one's stay.
    EXPECT_TRUE(ProcessIsRunning(CurrentProcessId()));
    EXPECT_FALSE(ProcessIsRunning(0));
    WriteFile(dir / ".dezadide-999999999-7.tmp", "stale");
#ifndef _WIN32
    // A job only ever stages regular files: a link under such a name is
    // someone else's, and it stays, as the folder check does not count it.
    std::filesystem::create_symlink(dir / "target", dir / ".dezadide-999999999-8.tmp");
    EXPECT_FALSE(IsDeadTemporary(dir.text(), u".dezadide-999999999-8.tmp"));
#endif
    EXPECT_TRUE(IsDeadTemporary(dir.text(), u".dezadide-999999999-7.tmp"));
    RemoveStaleTemporaries(dir.text());
    EXPECT_FALSE(std::filesystem::exists(dir / ".dezadide-999999999-7.tmp"));
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_symlink(dir / ".dezadide-999999999-8.tmp"));
#endif
    EXPECT_TRUE(PathExists(second));
    EXPECT_TRUE(std::filesystem::exists(dir / "target"));
}

bool HoldsTemporary(const TempDir& dir) {
    std::vector<FolderName> names;
    SearchFolderNames(dir.text(), names);
    return std::any_of(names.begin(), names.end(),
                       [](const FolderName& entry) { return IsTemporaryName(entry.name); });
}

TEST(Platform, WriteFileReplacingPutsAllBytesInPlaceOrLeavesNothing) {
    TempDir dir;
    WriteFile(dir / "facts", "an older and longer text");
    ASSERT_TRUE(WriteFileReplacing(JoinPath(dir.text(), u"facts"), "new", 3));
    EXPECT_EQ(std::filesystem::file_size(dir / "facts"), 3u);
    EXPECT_FALSE(HoldsTemporary(dir));

    // A folder under the name cannot be replaced by a file: the staged bytes go.
    std::filesystem::create_directory(dir / "taken");
    EXPECT_FALSE(WriteFileReplacing(JoinPath(dir.text(), u"taken"), "new", 3));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
    EXPECT_FALSE(HoldsTemporary(dir));

    EXPECT_FALSE(WriteFileReplacing(JoinPath(dir.text(), u"missing/facts"), "new", 3));
}

TEST(Platform, SameFolderAndCaseBlindnessAreAskedOfTheFileSystem) {
    TempDir dir;
    std::filesystem::create_directory(dir / "a");
    std::filesystem::create_directory(dir / "b");
    const bool linked = dz::test::MakeFolderLink(dir / "a", dir / "link");
    const std::u16string d = dir.text();
    if (linked) {
        EXPECT_EQ(SameFolder(d + u"/a", d + u"/link"), true);
    }
    EXPECT_EQ(SameFolder(d + u"/a", d + u"/a/."), true);
    EXPECT_EQ(SameFolder(d + u"/a", d + u"/b"), false);
    EXPECT_EQ(SameFolder(d + u"/a", d + u"/missing"), false);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "b")) << "the probe is removed";
#ifdef _WIN32
    // Windows file systems find names in any case.
    EXPECT_TRUE(FolderIgnoresCase(d + u"/a"));
#else
    // Linux file systems here tell case apart.
    EXPECT_FALSE(FolderIgnoresCase(d + u"/a"));
#endif
    EXPECT_TRUE(std::filesystem::is_empty(dir / "a"));

    WriteFile(dir / "gone.mp3", "x");
    EXPECT_TRUE(DeleteIfPresent(d + u"/gone.mp3"));
    EXPECT_TRUE(DeleteIfPresent(d + u"/gone.mp3")) << "nothing there is fine";
}

// What a FUSE mount really serves: the boot sector of its device, else the
// name of the program that serves it.
TEST(Platform, FuseMountsAreNamedByTheirRealFileSystem) {
    const auto sector = [](size_t offset, const char* text) {
        std::vector<uint8_t> s(512, 0);
        std::memcpy(s.data() + offset, text, std::strlen(text));
        return s;
    };
    const struct {
        std::vector<uint8_t> bytes;
        const char* type;
    } sectors[] = {
        {sector(3, "NTFS    "), "ntfs"},  {sector(3, "EXFAT   "), "exfat"},
        {sector(82, "FAT32   "), "vfat"}, {sector(54, "FAT16   "), "vfat"},
        {sector(54, "FAT12   "), "vfat"}, {sector(3, "mkfs.fat"), ""},
        {std::vector<uint8_t>(5, 0), ""},
    };
    for (const auto& s : sectors)
        EXPECT_EQ(FileSystemOfBootSector(s.bytes.data(), s.bytes.size()), s.type) << s.type;
#ifdef _WIN32
    // Windows has no FUSE mounts: a volume's type is the name it gives.
    EXPECT_EQ(RealFileSystemType("NTFS", ""), "NTFS");
#else

    TempDir dir;
    const std::vector<uint8_t> ntfs = sector(3, "NTFS    ");
    WriteFile(dir / "ntfs.img", std::string(ntfs.begin(), ntfs.end()));
    const struct {
        std::string type, source, real;
    } mounts[] = {
        {"ext4", "/dev/sda1", "ext4"},
        {"fuseblk", (dir / "ntfs.img").string(), "ntfs"}, // ntfs-3g serves a device
        {"fuseblk", "/dev/missing-device", ""},
        {"fuse.fusefat", "/dev/missing-device", "vfat"},
        {"fuse.ntfs-3g", "/dev/missing-device", "ntfs"},
        {"fuse", "ntfs-3g", "ntfs"},
        {"fuse.sshfs", "host:/", ""},
    };
    for (const auto& m : mounts)
        EXPECT_EQ(RealFileSystemType(m.type, m.source), m.real) << m.type << " " << m.source;
#endif
}

// Where this user's settings and cache live.
#ifdef _WIN32
TEST(UserSettings, FilesFollowTheUsersAppDataFolders) {
    dz::test::ScopedEnv roaming("APPDATA", "C:\\Users\\u\\AppData\\Roaming");
    dz::test::ScopedEnv local("LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local");
    EXPECT_EQ(dz::ToUtf8(dz::platform::UserSettingsFile()),
              "C:\\Users\\u\\AppData\\Roaming\\Dezadide\\settings.ini");
    EXPECT_EQ(dz::ToUtf8(dz::platform::UserCacheFolder()),
              "C:\\Users\\u\\AppData\\Local\\Dezadide");
}
#else
TEST(UserSettings, FilesFollowTheXdgFoldersThenHome) {
    const struct {
        const char *config, *cache, *home;
        std::string settings, cacheFolder;
    } cases[] = {
        {"/x/conf", "/x/cache", "/home/u", "/x/conf/dezadide/settings.ini", "/x/cache/dezadide"},
        {"", "", "/home/u", "/home/u/.config/dezadide/settings.ini", "/home/u/.cache/dezadide"},
        // A relative XDG folder is not to be used.
        {"rel", "rel", "/home/u", "/home/u/.config/dezadide/settings.ini",
         "/home/u/.cache/dezadide"},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        dz::test::ScopedEnv config("XDG_CONFIG_HOME", c.config);
        dz::test::ScopedEnv cache("XDG_CACHE_HOME", c.cache);
        dz::test::ScopedEnv home("HOME", c.home);
        EXPECT_EQ(dz::ToUtf8(dz::platform::UserSettingsFile()), c.settings);
        EXPECT_EQ(dz::ToUtf8(dz::platform::UserCacheFolder()), c.cacheFolder);
    }
}
#endif

} // namespace

namespace {

void CountInterrupt(void* counter) {
    static_cast<std::atomic<int>*>(counter)->fetch_add(1);
}

TEST(InterruptHook, TheNewestHookTakesCtrlCAndTheOneBeforeItAgainOnceItIsGone) {
    using dz::platform::InterruptHook;
    using dz::platform::InterruptReceived;
    using dz::platform::SimulateInterrupt;
    std::atomic<int> outer{0}, inner{0};
    {
        InterruptHook outerHook(CountInterrupt, &outer, false);
        EXPECT_FALSE(InterruptReceived());
        ASSERT_TRUE(SimulateInterrupt());
        EXPECT_EQ(outer.load(), 1);
        EXPECT_TRUE(InterruptReceived());
        {
            InterruptHook innerHook(CountInterrupt, &inner, true);
            EXPECT_TRUE(InterruptReceived()) << "a hook inside keeps what the outermost saw";
            ASSERT_TRUE(SimulateInterrupt());
            EXPECT_EQ(inner.load(), 1);
            EXPECT_EQ(outer.load(), 1);
            EXPECT_FALSE(SimulateInterrupt()) << "a fired once hook leaves Ctrl+C to the system";
        }
        ASSERT_TRUE(SimulateInterrupt());
        EXPECT_EQ(outer.load(), 2);
        EXPECT_EQ(inner.load(), 1);
    }
    EXPECT_FALSE(SimulateInterrupt()) << "no hook is left to take it";
    InterruptHook again(CountInterrupt, &outer, false);
    EXPECT_FALSE(InterruptReceived()) << "a new outermost hook starts afresh";
}

} // namespace
