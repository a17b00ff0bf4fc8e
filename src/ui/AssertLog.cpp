#include "ui/AssertLog.h"

#include <wx/debug.h>
#include <wx/string.h>

#include <cstdio>

std::string ToolkitAssertionText(const wxString& file, int line, const wxString& function,
                                 const wxString& condition, const wxString& message) {
    wxString text = "dezadide: toolkit check failed: " + condition;
    if (!message.empty())
        text += " (" + message + ")";
    text += wxString::Format(" in %s at %s:%d", function, file, line);
    return text.utf8_string();
}

void LogToolkitAssertions() {
    wxSetAssertHandler([](const wxString& file, int line, const wxString& function,
                          const wxString& condition, const wxString& message) {
        // stdio rather than wxLog: a GUI log target would open a box again.
        std::fprintf(stderr, "%s\n",
                     ToolkitAssertionText(file, line, function, condition, message).c_str());
        std::fflush(stderr);
    });
}
