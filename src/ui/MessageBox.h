#pragma once
// The application's two message boxes. Every user-facing message goes
// through here, so tests can capture them with a hook instead of a modal box.
#include <functional>
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

// While a hook is set, boxes are handed to it and not shown.
using MessageBoxHook = std::function<void(const MessageBoxCall&)>;
void SetMessageBoxHook(MessageBoxHook hook);
