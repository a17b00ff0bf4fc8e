#include "ui/MessageBox.h"

#include "common/messages.h"
#include "ui/UserStandIn.h"
#include "ui/wx_text.h"

#include <wx/msgdlg.h>
// The generic box's header builds on the one above.
#include <wx/generic/msgdlgg.h>

namespace {

void Show(const MessageBoxCall& call, wxWindow* parent) {
    if (const auto& standIn = TestStandIn().messageBox) {
        standIn(call);
        return;
    }
    // The toolkit's own box leaves the icon out on GTK 3; the generic box
    // shows the exclamation mark the messages are meant to carry.
    // The generic box asks the art provider for an icon whenever any icon
    // bit is set, and there is no art for "none": without an icon bit it
    // shows no icon and asks nothing.
    long style = call.style;
    if (style & wxICON_NONE)
        style &= ~wxICON_MASK;
    wxGenericMessageDialog box(parent, ToWx(call.text), ToWx(call.caption), style);
    box.ShowModal();
}

} // namespace

void ShowAppMessage(const std::u16string& text, wxWindow* parent) {
    Show({text, dz::msg::kAppTitle, wxOK | wxICON_EXCLAMATION}, parent);
}

void ShowAppInformation(const std::u16string& text, wxWindow* parent) {
    Show({text, dz::msg::kAppTitle, wxOK | wxICON_INFORMATION}, parent);
}

void ShowAppMessage(const std::u16string& text, const std::u16string& caption) {
    Show({text, caption, wxOK | wxICON_EXCLAMATION}, nullptr);
}

void ShowVivozirError(wxWindow* parent) {
    // wxICON_NONE: the box must not pick an icon of its own.
    Show({dz::msg::kCantExecuteVivozir, dz::msg::kErrorCaption, wxOK | wxICON_NONE}, parent);
}

UserStandIn& TestStandIn() {
    static UserStandIn standIn;
    return standIn;
}
