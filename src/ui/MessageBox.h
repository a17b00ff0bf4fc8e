#pragma once
// The application's message boxes. Every user-facing message goes through
// here, so a test's stand-in (UserStandIn.h) can take them instead.
#include <string>

class wxWindow;

struct MessageBoxCall {
    std::u16string text;
    std::u16string caption;
    long style = 0; // wx style bits: wxOK, wxICON_EXCLAMATION, ...
};

// Caption "Dezadide", OK button, exclamation icon.
void ShowAppMessage(const std::u16string& text, wxWindow* parent = nullptr);
// The same with the information icon: news of something that went well.
void ShowAppInformation(const std::u16string& text, wxWindow* parent = nullptr);
// The same box under a caption of its own (a failure before the main window).
void ShowAppMessage(const std::u16string& text, const std::u16string& caption);
// The Vivozir error: caption "Error", OK button, no icon, owned by parent.
void ShowVivozirError(wxWindow* parent);
