// The window program's entry point. The options that need no window
// (--version, --help, a wrong option) are answered here, before the toolkit
// opens a display, so they work on a terminal without one.
#include "common/start_arguments.h"
#include "dezadide_version.h"
#include "platform/platform.h"
#include "ui/app/DezadideApp.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef __WXMSW__
wxIMPLEMENT_APP(CDezadideApp);
#else
wxIMPLEMENT_APP_NO_MAIN(CDezadideApp);

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const dz::StartArguments start = dz::ParseStartArguments(arguments);
    switch (start.action) {
    case dz::StartAction::Version:
        std::cout << "dezadide " << kDezadideVersion << '\n';
        return 0;
    case dz::StartAction::Help:
        std::cout << dz::WindowUsageText(static_cast<char>(dz::platform::kDriveListSeparator));
        return 0;
    case dz::StartAction::UsageError:
        std::cerr << "dezadide: " << start.error << "\n\n"
                  << dz::WindowUsageText(static_cast<char>(dz::platform::kDriveListSeparator));
        return dz::kStartExitUsage;
    default:
        return wxEntry(argc, argv);
    }
}
#endif
