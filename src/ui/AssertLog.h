#pragma once
// The toolkit's own consistency checks (wxASSERT and friends inside
// wxWidgets). A user must never meet the toolkit's developer dialog, whose
// "Stop" ends the program and loses the session: the program writes a
// failed check to standard error and goes on.
#include <string>

class wxString;

// The line written for a failed check: where, what and why.
std::string ToolkitAssertionText(const wxString& file, int line, const wxString& function,
                                 const wxString& condition, const wxString& message);

// From now on a failed check is written to standard error instead of asking.
void LogToolkitAssertions();
