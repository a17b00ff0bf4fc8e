#include "ui/dialogs/InputNameDlg.h"

#include "common/messages.h"
#include "common/text.h"
#include "ui/MessageBox.h"
#include "ui/dialog_units.h"
#include "ui/wx_text.h"

#include <wx/button.h>
#include <wx/textctrl.h>
#include <wx/validate.h>

namespace {

// Exchanges a text box with a UTF-16 member and refuses a text longer than
// the limit, as the framework's data exchange does.
class CMaxLengthValidator : public wxValidator {
public:
    CMaxLengthValidator(std::u16string* value, size_t maxLength)
        : m_pValue(value), m_nMaxLength(maxLength) {}
    CMaxLengthValidator(const CMaxLengthValidator&) = default;

    wxObject* Clone() const override { return new CMaxLengthValidator(*this); }

    bool TransferToWindow() override {
        Box()->ChangeValue(ToWx(*m_pValue));
        return true;
    }
    bool TransferFromWindow() override {
        *m_pValue = FromWx(Box()->GetValue());
        return true;
    }
    bool Validate(wxWindow* parent) override {
        if (FromWx(Box()->GetValue()).size() <= m_nMaxLength)
            return true;
        ShowAppMessage(
            dz::FillMessage(dz::msg::kTooManyCharacters, dz::Ascii(std::to_string(m_nMaxLength))),
            parent);
        Box()->SetFocus();
        return false;
    }

private:
    wxTextCtrl* Box() const { return static_cast<wxTextCtrl*>(GetWindow()); }

    std::u16string* m_pValue;
    size_t m_nMaxLength;
};

} // namespace

CInputNameDlg::CInputNameDlg() {
    Create(nullptr, IDD_INPUT_NAME, "Input Name", wxDefaultPosition, wxDefaultSize,
           wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
    SetClientSize(ConvertDialogToPixels(wxSize(187, 44)));
    const wxRect box = DialogRect(this, 7, 7, 173, 14);
    m_wndName =
        new wxTextCtrl(this, IDC_NAME, wxString(), box.GetPosition(), box.GetSize(),
                       wxBORDER_SUNKEN, CMaxLengthValidator(&m_strName, dz::kMaxFolderNameLength));
    m_wndName->SetMaxLength(dz::kMaxFolderNameLength);
    m_wndName->SetHint(ToWx(dz::msg::kInputNameHint));
    const wxRect ok = DialogRect(this, 7, 23, 87, 14);
    auto* okButton = new wxButton(this, wxID_OK, "OK", ok.GetPosition(), ok.GetSize());
    okButton->SetDefault();
    const wxRect cancel = DialogRect(this, 94, 23, 86, 14);
    new wxButton(this, wxID_CANCEL, "Cancel", cancel.GetPosition(), cancel.GetSize());
    Centre();
    m_wndName->SetFocus();
}
