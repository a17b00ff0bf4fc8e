#include "ui/MessageBox.h"

#include "common/messages.h"
#include "ui/wx_text.h"

#include <wx/msgdlg.h>

namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

void Show(const MessageBoxCall& call, wxWindow* parent) {
    if (Hook()) {
        Hook()(call);
        return;
    }
    wxMessageBox(ToWx(call.text), ToWx(call.caption), call.style, parent);
}

} // namespace

void ShowAppMessage(const std::u16string& text, wxWindow* parent) {
    Show({text, dz::msg::kAppTitle, wxOK | wxICON_EXCLAMATION}, parent);
}

void ShowVivozirError(wxWindow* parent) {
    // wxICON_NONE: the box must not pick an icon of its own.
    Show({dz::msg::kCantExecuteVivozir, dz::msg::kErrorCaption, wxOK | wxICON_NONE}, parent);
}

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}
