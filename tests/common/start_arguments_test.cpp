#include "common/start_arguments.h"

#include <gtest/gtest.h>

namespace {

using dz::StartAction;

TEST(StartArguments, OptionsAroundTheOneDocument) {
    const struct {
        std::vector<std::string> arguments;
        StartAction action;
        int documentIndex;
        const char* why;
    } cases[] = {
        {{}, StartAction::Window, -1, "no arguments: the empty document"},
        {{"disk.dat"}, StartAction::Window, 0, "one file: the document"},
        {{"--demo"}, StartAction::Demo, -1, "the sample disk"},
        {{"--version"}, StartAction::Version, -1, ""},
        {{"--help"}, StartAction::Help, -1, ""},
        {{"-h"}, StartAction::Help, -1, ""},
        {{"a.dat", "--version"}, StartAction::Version, -1, "answered wherever it stands"},
        {{"--bogus", "--help"}, StartAction::UsageError, -1, "a wrong option is reported first"},
        {{"--", "--demo"}, StartAction::Window, 1, "after -- a name is a file"},
        {{"--", "-"}, StartAction::Window, 1, ""},
        {{"-"}, StartAction::Window, 0, "a lone dash is a name"},
        {{"--demo", "a.dat"}, StartAction::UsageError, -1, "the demo opens no file"},
        {{"a.dat", "b.dat"}, StartAction::UsageError, -1, "one document only"},
        {{"-x"}, StartAction::UsageError, -1, "unknown short option"},
        {{"--demo", "--demo"}, StartAction::Demo, -1, "repeated: still the demo"},
    };
    for (const auto& c : cases) {
        const dz::StartArguments start = dz::ParseStartArguments(c.arguments);
        EXPECT_EQ(start.action, c.action)
            << c.why << " (" << testing::PrintToString(c.arguments) << ")";
        EXPECT_EQ(start.documentIndex, c.documentIndex) << testing::PrintToString(c.arguments);
        EXPECT_EQ(start.error.empty(), c.action != StartAction::UsageError)
            << testing::PrintToString(c.arguments);
    }
}

TEST(StartArguments, UsageTextNamesEveryOption) {
    const std::string text = dz::WindowUsageText(';');
    for (const char* option : {"--demo", "--version", "--help", "DEZADIDE_DRIVES", "a ';'-sep"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
}

} // namespace
