#pragma once
// What the window program's command line asks for. The toolkit's own
// document command line stays as it was (one file name, opened as the
// document); the few options around it are answered before a window exists.
#include <string>
#include <vector>

namespace dz {

enum class StartAction {
    Window,     // the main window, with the document if one is named
    Demo,       // the main window on a sample disk and an empty backup folder
    Version,    // print the version, no window
    Help,       // print the usage text, no window
    UsageError, // print the error and the usage text, exit status 2
};

struct StartArguments {
    StartAction action = StartAction::Window;
    int documentIndex = -1; // index into the arguments of the document's name, -1 for none
    std::string error;      // for UsageError
};

// arguments: the command line without the program's name.
StartArguments ParseStartArguments(const std::vector<std::string>& arguments);

// The --help text of the window program; driveListSeparator is the
// character that separates the folders of DEZADIDE_DRIVES on this system.
std::string WindowUsageText(char driveListSeparator);

inline constexpr int kStartExitUsage = 2;

} // namespace dz
