#include "common/start_arguments.h"

namespace dz {

StartArguments ParseStartArguments(const std::vector<std::string>& arguments) {
    StartArguments start;
    const auto fail = [](std::string error) {
        StartArguments failed;
        failed.action = StartAction::UsageError;
        failed.error = std::move(error);
        return failed;
    };
    bool demo = false, optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (!optionsEnded && (a == "--version" || a == "--help" || a == "-h")) {
            start.action = a == "--version" ? StartAction::Version : StartAction::Help;
            start.documentIndex = -1;
            return start;
        }
        if (!optionsEnded && a == "--demo") {
            demo = true;
            continue;
        }
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
            continue;
        }
        // A file whose name starts with "-" is still reachable after "--".
        if (!optionsEnded && a.size() > 1 && a[0] == '-')
            return fail("unknown option " + a);
        if (start.documentIndex >= 0)
            return fail("only one file can be opened, not also " + a);
        start.documentIndex = static_cast<int>(i);
    }
    if (demo && start.documentIndex >= 0)
        return fail("--demo opens no file");
    if (demo)
        start.action = StartAction::Demo;
    return start;
}

std::string WindowUsageText(char driveListSeparator) {
    return "Usage: dezadide [FILE]\n"
           "       dezadide --demo\n"
           "       dezadide --version | --help\n"
           "\n"
           "A file manager for the recordings of a set-top-box video recorder: two rows of\n"
           "a folder tree and a file list; copy, move, delete and convert recordings.\n"
           "FILE is opened as the window's document; nothing is read from it.\n"
           "\n"
           "  --demo     start on a sample recorder disk and an empty backup folder, made\n"
           "             in a temporary folder that goes when the window closes\n"
           "  --version  print the version and exit\n"
           "  --help     print this text and exit\n"
           "\n"
           "DEZADIDE_DRIVES, a '" +
           std::string(1, driveListSeparator) +
           "'-separated list of folders, replaces the drives the\n"
           "trees show. See dezadide(1).\n";
}

} // namespace dz
