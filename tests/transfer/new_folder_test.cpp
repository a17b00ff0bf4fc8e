#include "transfer/new_folder.h"

#include "platform/platform.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using dz::MakeNewFolder;
using dz::NewFolderStatus;
using dz::test::TempDir;
namespace fs = std::filesystem;

TEST(NewFolder, MakesTheNameAsTypedOrSaysWhy) {
    TempDir dir;
    fs::create_directory(dir / "Exists");
    fs::create_directory(dir / "Sub");
    struct Row {
        std::u16string name;
        NewFolderStatus status;
    };
#ifdef _WIN32
    // Every Windows volume stores names as Windows does.
    constexpr NewFolderStatus kUnixOnly = NewFolderStatus::kBadName;
#else
    constexpr NewFolderStatus kUnixOnly = NewFolderStatus::kMade;
#endif
    const Row rows[] = {
        {u" New", NewFolderStatus::kMade},         // no trimming
        {u" New ", kUnixOnly},                     // a space at the end
        {u"Sub/Inner", NewFolderStatus::kBadName}, // one name, never a path
        {u"../Escaped", NewFolderStatus::kBadName},
        {u".", NewFolderStatus::kBadName},
        {u"..", NewFolderStatus::kBadName},
        {u"a:b?", kUnixOnly}, // a Linux disk stores any name but '/'
        {u"dots..", kUnixOnly},
        {std::u16string(dz::kMaxFolderNameLength, u'n'), NewFolderStatus::kMade},
        {u"", NewFolderStatus::kNoName},
        {u"Exists", NewFolderStatus::kNotMade},
        {std::u16string(dz::kMaxFolderNameLength + 1, u'n'), NewFolderStatus::kNameTooLong},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.name.begin(), r.name.end()));
        const dz::NewFolderResult result = MakeNewFolder(dir.text(), r.name);
        EXPECT_EQ(result.status, r.status);
        switch (r.status) {
        case NewFolderStatus::kMade:
            EXPECT_EQ(result.path, dz::platform::JoinPath(dir.text(), r.name));
            EXPECT_TRUE(result.message.empty());
            EXPECT_TRUE(fs::is_directory(dir / std::string(r.name.begin(), r.name.end())));
            break;
        case NewFolderStatus::kNoName:
            EXPECT_TRUE(result.path.empty());
            EXPECT_TRUE(result.message.empty());
            break;
        case NewFolderStatus::kNotMade:
            EXPECT_EQ(result.message,
                      u"Could not make a folder, " + dz::platform::JoinPath(dir.text(), r.name));
            break;
        case NewFolderStatus::kNameTooLong:
            EXPECT_EQ(result.message, u"Please enter no more than 128 characters.");
            EXPECT_FALSE(fs::exists(dir / std::string(r.name.begin(), r.name.end())));
            break;
        case NewFolderStatus::kBadName:
            EXPECT_NE(result.message.find(r.name), std::u16string::npos);
            break;
        }
    }
}

} // namespace
