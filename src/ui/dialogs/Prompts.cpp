#include "ui/dialogs/Prompts.h"

#include "common/messages.h"
#include "ui/UserStandIn.h"
#include "ui/wx_text.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {

enum { kReplace = wxID_HIGHEST + 1, kSkip };

// A box with the exclamation icon, the text, an optional check box and a row
// of buttons; each button ends the modal run with its id.
class CQuestionDlg : public wxDialog {
public:
    CQuestionDlg(wxWindow* parent, const std::u16string& text, const wxString& checkText,
                 std::initializer_list<std::pair<int, wxString>> buttons, int defaultButton)
        : wxDialog(parent, wxID_ANY, ToWx(dz::msg::kAppTitle)) {
        auto* top = new wxBoxSizer(wxHORIZONTAL);
        top->Add(new wxStaticBitmap(this, wxID_ANY,
                                    wxArtProvider::GetBitmap(wxART_WARNING, wxART_MESSAGE_BOX)),
                 0, wxALL, 10);
        auto* right = new wxBoxSizer(wxVERTICAL);
        right->Add(new wxStaticText(this, wxID_ANY, ToWx(text)), 0, wxBOTTOM, 10);
        if (!checkText.empty()) {
            m_check = new wxCheckBox(this, wxID_ANY, checkText);
            right->Add(m_check, 0, wxBOTTOM, 10);
        }
        top->Add(right, 1, wxTOP | wxRIGHT, 10);
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->AddStretchSpacer();
        for (const auto& [id, label] : buttons) {
            auto* button = new wxButton(this, id, label);
            row->Add(button, 0, wxLEFT, 6);
            if (id == defaultButton) {
                button->SetDefault();
                button->SetFocus();
            }
            button->Bind(wxEVT_BUTTON, [this, id = id](wxCommandEvent&) { EndModal(id); });
        }
        auto* all = new wxBoxSizer(wxVERTICAL);
        all->Add(top, 1, wxEXPAND);
        all->Add(row, 0, wxEXPAND | wxALL, 10);
        SetSizerAndFit(all);
        SetEscapeId(wxID_CANCEL);
        CentreOnParent();
    }
    bool IsChecked() const { return m_check && m_check->GetValue(); }

private:
    wxCheckBox* m_check = nullptr;
};

} // namespace

wxDialog* MakeDeleteConfirmation(wxWindow* parent, const std::u16string& text) {
    return new CQuestionDlg(parent, text, "&Don't ask again",
                            {{wxID_OK, "&Delete"}, {wxID_CANCEL, "Cancel"}}, wxID_CANCEL);
}

DeleteAnswer AskDeleteConfirmation(wxWindow* parent, const std::u16string& text) {
    if (const auto& standIn = TestStandIn().prompt)
        return standIn({PromptCall::Kind::Delete, text, 0}).del;
    CQuestionDlg dialog(parent, text, "&Don't ask again",
                        {{wxID_OK, "&Delete"}, {wxID_CANCEL, "Cancel"}}, wxID_CANCEL);
    const bool confirmed = dialog.ShowModal() == wxID_OK;
    // "Don't ask again" counts only with a Delete: a cancel asks next time too.
    return {confirmed, confirmed && dialog.IsChecked()};
}

dz::ReplaceDecision AskReplaceEntry(wxWindow* parent, const std::u16string& text,
                                    size_t remaining) {
    if (const auto& standIn = TestStandIn().prompt)
        return standIn({PromptCall::Kind::Replace, text, remaining}).replace;
    const wxString forAll = remaining > 0
                                ? wxString::Format("Do the same for the %zu other existing entr%s",
                                                   remaining, remaining == 1 ? "y" : "ies")
                                : wxString();
    CQuestionDlg dialog(parent, text, forAll,
                        {{kReplace, "&Replace"}, {kSkip, "&Skip"}, {wxID_CANCEL, "Cancel"}}, kSkip);
    switch (dialog.ShowModal()) {
    case kReplace:
        return {dz::ReplaceAnswer::Replace, dialog.IsChecked()};
    case kSkip:
        return {dz::ReplaceAnswer::Skip, dialog.IsChecked()};
    default:
        return {dz::ReplaceAnswer::Cancel, false};
    }
}
