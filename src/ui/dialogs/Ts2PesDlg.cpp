#include "ui/dialogs/Ts2PesDlg.h"

#include "convert/conversion_prepare.h"
#include "convert/file_box_start.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "ui/MessageBox.h"
#include "ui/dialog_units.h"
#include "ui/wx_text.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/font.h>
#include <wx/gauge.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
// The generic box's header builds on wx/msgdlg.h above.
#include <wx/generic/msgdlgg.h>

#include <algorithm>
#include <cstdint>

using dz::convert::ConversionJob;
using dz::convert::ConversionReport;
using dz::convert::StopEvent;

namespace {

constexpr char16_t kVersionText[] = u"Version : 2.0.1";
constexpr int kTickMs = 100;

// File names match case-sensitively here: the recorder writes ".AVR", copies
// may carry ".avr", so every case of the extension is shown.
constexpr char kSourceWildcard[] = "AVR Files (*.avr)|*.[aA][vV][rR]|All Files (*.*)|*.*";
constexpr char16_t kSourceExtension[] = u".avr";
constexpr char kTargetWildcard[] = "MPG Files (*.mpg)|*.mpg|All Files (*.*)|*.*";
constexpr char16_t kTargetExtension[] = u".mpg";

std::u16string PercentText(int percent) {
    return dz::Ascii(std::to_string(percent) + " %");
}

// A name typed without an extension gets the one the dialog is about, as the
// file dialogs of the recorder's home platform do.
std::u16string WithDefaultExtension(std::u16string path, std::u16string_view ext) {
    if (!path.empty() && dz::ExtensionOf(path).empty())
        path += ext;
    return path;
}

} // namespace

CTs2PesDlg::CTs2PesDlg(wxWindow* parent, const std::u16string& source, const std::u16string& target,
                       Seams seams)
    : m_strSource(source), m_strTarget(target), m_strCurrentPercent(PercentText(0)),
      m_strStatus(kVersionText), m_strTotalPercent(PercentText(0)), m_seams(std::move(seams)),
      m_wake(&CTs2PesDlg::ServeReports), m_handoff(m_wake.Wake()),
      m_pJob(std::make_unique<ConversionJob>(m_handoff)), m_progressTimer(this, TIMER_PROGRESS),
      m_stopWaitTimer(this, TIMER_STOP_WAIT) {
    Create(parent, IDD_TS2PES, "ts2pes", wxDefaultPosition, wxDefaultSize,
           wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
    m_wake.Attach(this);
    // Dialog units follow the font, so it comes before any size.
    SetFont(wxFont(wxFontInfo(10).FaceName("Arial")));
    SetClientSize(ConvertDialogToPixels(wxSize(275, 155)));
    CreateControls();
    Centre();
    TransferDataToWindow();
    FitPaths();

    Bind(wxEVT_BUTTON, &CTs2PesDlg::OnSourceOpen, this, IDC_SOURCE_OPEN);
    Bind(wxEVT_BUTTON, &CTs2PesDlg::OnTargetOpen, this, IDC_TARGET_OPEN);
    Bind(wxEVT_BUTTON, &CTs2PesDlg::OnStart, this, IDC_START);
    Bind(wxEVT_BUTTON, &CTs2PesDlg::OnStop, this, IDC_STOP);
    Bind(wxEVT_TIMER, &CTs2PesDlg::OnProgressTimer, this, TIMER_PROGRESS);
    Bind(wxEVT_TIMER, &CTs2PesDlg::OnStopWaitTimer, this, TIMER_STOP_WAIT);
    Bind(wxEVT_CLOSE_WINDOW, &CTs2PesDlg::OnClose, this);
    // Esc closes through the same wait for the worker as the close box.
    SetEscapeId(wxID_NONE);
    Bind(wxEVT_CHAR_HOOK, &CTs2PesDlg::OnCharHook, this);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { RequestClose(); }, wxID_CANCEL);
    // Enter would reach the dialog as its affirmative button; there is none,
    // and a running conversion must not be left behind by a key press.
    Bind(
        wxEVT_BUTTON, [](wxCommandEvent&) {}, wxID_OK);
}

CTs2PesDlg::~CTs2PesDlg() {
    // Normally the worker has ended long before. If not, it is let go of
    // its report and stopped, and the job's end waits for it.
    m_handoff.Shut();
    if (m_pStop)
        m_pStop->Set();
    m_pJob.reset();
}

void CTs2PesDlg::CreateControls() {
    // Controls right of x = 210 follow the fields when they widen; those
    // that span the middle widen with them.
    auto place = [this](wxWindow* control, int x, int y, int w, int h) {
        control->SetSize(DialogRect(this, x, y, w, h));
        if (x >= 210)
            m_rightColumn.push_back(control);
        else if (x + w >= 200)
            m_wideColumn.push_back(control);
    };
    const long caption = wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE | wxBORDER_SUNKEN;
    const long percent = wxALIGN_RIGHT | wxST_NO_AUTORESIZE | wxBORDER_SUNKEN;
    // Creation order is the tab order.
    place(new wxStaticText(this, wxID_ANY, "Source file :"), 22, 7, 47, 10);
    m_wndSource = new wxTextCtrl(this, IDC_SOURCE_EDIT);
    place(m_wndSource, 22, 21, 188, 14);
    place(new wxButton(this, IDC_SOURCE_OPEN, "Open"), 215, 21, 37, 14);
    place(new wxStaticText(this, wxID_ANY, "Target file :"), 22, 45, 47, 10);
    m_wndTarget = new wxTextCtrl(this, IDC_TARGET_EDIT);
    place(m_wndTarget, 22, 60, 188, 14);
    place(new wxButton(this, IDC_TARGET_OPEN, "Open"), 215, 60, 37, 14);
    place(NewLabel(this, wxID_ANY, "Total", caption), 23, 84, 30, 14);
    m_wndTotal = NewProgressBar(this, IDC_TOTAL_PROGRESS);
    place(m_wndTotal, 53, 84, 157, 14);
    m_wndTotalPercent = NewLabel(this, IDC_TOTAL_PERCENT, wxString(), percent);
    place(m_wndTotalPercent, 215, 84, 37, 14);
    place(NewLabel(this, wxID_ANY, "Current", caption), 23, 102, 30, 14);
    m_wndCurrent = NewProgressBar(this, IDC_CURRENT_PROGRESS);
    place(m_wndCurrent, 53, 102, 157, 14);
    m_wndCurrentPercent = NewLabel(this, IDC_CURRENT_PERCENT, wxString(), percent);
    place(m_wndCurrentPercent, 215, 102, 37, 14);
    place(new wxButton(this, IDC_START, "Start"), 7, 134, 50, 14);
    m_wndStatus = NewLabel(this, IDC_STATUS, wxString(), caption);
    place(m_wndStatus, 73, 133, 129, 15);
    place(new wxButton(this, IDC_STOP, "Stop"), 218, 134, 50, 14);
}

void CTs2PesDlg::FitPaths() {
    // The width the longer path needs, with room for the field's own frame.
    const auto needed = [](wxTextCtrl* field) {
        const int text = field->GetTextExtent(field->GetValue()).x;
        return text + field->GetSize().y; // the frame and a little air
    };
    const int now = m_wndSource->GetSize().x;
    int extra = std::max(needed(m_wndSource), needed(m_wndTarget)) - now;
    // Never wider than the screen it is on.
    const int screen = wxSystemSettings::GetMetric(wxSYS_SCREEN_X, this);
    if (screen > 0)
        extra = std::min(extra, screen * 9 / 10 - GetSize().x);
    if (extra <= 0)
        return;
    for (wxWindow* control : m_wideColumn)
        control->SetSize(control->GetSize().x + extra, control->GetSize().y);
    for (wxWindow* control : m_rightColumn)
        control->Move(control->GetPosition().x + extra, control->GetPosition().y);
    const wxSize client = GetClientSize();
    SetClientSize(client.x + extra, client.y);
    if (IsShown())
        Refresh();
    else
        Centre();
}

bool CTs2PesDlg::TransferDataToWindow() {
    m_wndSource->ChangeValue(ToWx(m_strSource));
    m_wndTarget->ChangeValue(ToWx(m_strTarget));
    m_wndCurrentPercent->SetLabel(ToWx(m_strCurrentPercent));
    m_wndStatus->SetLabel(ToWx(m_strStatus));
    m_wndTotalPercent->SetLabel(ToWx(m_strTotalPercent));
    return true;
}

bool CTs2PesDlg::TransferDataFromWindow() {
    m_strSource = FromWx(m_wndSource->GetValue());
    m_strTarget = FromWx(m_wndTarget->GetValue());
    m_strCurrentPercent = FromWx(m_wndCurrentPercent->GetLabel());
    m_strStatus = FromWx(m_wndStatus->GetLabel());
    m_strTotalPercent = FromWx(m_wndTotalPercent->GetLabel());
    return true;
}

bool CTs2PesDlg::ChooseFile(bool save, std::u16string& path) {
    const long style = save ? wxFD_SAVE | wxFD_OVERWRITE_PROMPT : wxFD_OPEN;
    // Where the boxes start: from what the fields hold now.
    const std::u16string source = FromWx(m_wndSource->GetValue());
    const dz::convert::FileBoxStart start =
        save ? dz::convert::TargetBoxStart(source, FromWx(m_wndTarget->GetValue()))
             : dz::convert::SourceBoxStart(source);
    const Seams::FileBox box{style, save ? kTargetWildcard : kSourceWildcard, ToWx(start.folder),
                             ToWx(start.name)};
    wxString chosen;
    int result = wxID_CANCEL;
    if (m_seams.chooseFile) {
        result = m_seams.chooseFile(box, chosen);
    } else {
        wxFileDialog dialog(this, wxFileSelectorPromptStr, box.folder, box.name, box.wildcard,
                            box.style);
        result = dialog.ShowModal();
        chosen = dialog.GetPath();
    }
    if (result != wxID_OK)
        return false;
    path = WithDefaultExtension(FromWx(chosen), save ? kTargetExtension : kSourceExtension);
    return true;
}

void CTs2PesDlg::OpenInto(bool save, std::u16string& member) {
    if (m_bBusy)
        return;
    std::u16string path;
    if (!ChooseFile(save, path))
        return;
    // What was typed into the other field stays: it is read before the
    // members are shown again.
    TransferDataFromWindow();
    member = path;
    TransferDataToWindow();
    FitPaths();
}

void CTs2PesDlg::OnSourceOpen(wxCommandEvent&) {
    OpenInto(false, m_strSource);
}

void CTs2PesDlg::OnTargetOpen(wxCommandEvent&) {
    OpenInto(true, m_strTarget);
}

namespace {

// The dialog asks before it replaces an existing target; No keeps the file
// and converts nothing.
class DialogQuestions final : public dz::convert::ConversionQuestions {
public:
    DialogQuestions(wxWindow* parent, const std::function<bool(const std::u16string&)>& seam)
        : m_parent(parent), m_seam(seam) {}
    TargetAnswer AskReplaceTarget(const std::u16string& question) override {
        return Yes(question) ? TargetAnswer::Replace : TargetAnswer::Cancel;
    }

private:
    bool Yes(const std::u16string& question) {
        if (m_seam)
            return m_seam(question);
        wxGenericMessageDialog box(m_parent, ToWx(question), ToWx(dz::msg::kAppTitle),
                                   wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
        return box.ShowModal() == wxID_YES;
    }

    wxWindow* m_parent;
    const std::function<bool(const std::u16string&)>& m_seam;
};

} // namespace

void CTs2PesDlg::OnStart(wxCommandEvent&) {
    // One conversion at a time: a second press while busy is refused.
    if (m_bBusy || m_bClosing)
        return;
    TransferDataFromWindow();
    // The question comes before the dialog is busy.
    DialogQuestions questions(this, m_seams.askReplace);
    dz::convert::PreparedConversion prepared =
        dz::convert::PrepareConvert(m_strSource, m_strTarget, {}, questions);
    if (prepared.status != dz::convert::PreparedConversion::Status::kReady)
        return;
    m_bBusy = true;
    m_pStop = std::make_shared<StopEvent>();
    m_warnings.clear();
    // A previous worker that has shown its outcome only has its return left.
    m_pJob->Join();
    m_pJob = std::make_unique<ConversionJob>(m_handoff, std::move(prepared.settings));
    SetTotalPercent(0);
    if (!m_pJob->Start(std::move(prepared.source), std::move(prepared.target), m_pStop))
        m_bBusy = false;
}

void CTs2PesDlg::OnStop(wxCommandEvent&) {
    if (!m_pStop)
        return;
    m_pStop->Set();
    m_stopWaitTimer.StartOnce(kTickMs);
}

void CTs2PesDlg::OnStopWaitTimer(wxTimerEvent&) {
    if (m_pJob->IsRunning()) {
        m_stopWaitTimer.StartOnce(kTickMs);
        return;
    }
    // The worker has closed its files; only the event is left to forget.
    m_pStop.reset();
}

void CTs2PesDlg::OnProgressTimer(wxTimerEvent&) {
    // Only the current part's display: the source and target fields are
    // left as typed, so they can be changed between conversions.
    const dz::convert::SourceProgress progress =
        m_seams.progress ? m_seams.progress() : m_pJob->Progress();
    SetCurrentPercent(dz::convert::CurrentPercent(progress));
    // Over all parts' bytes; between conversions there is nothing to show.
    if (m_bBusy && progress.totalSize > 0)
        SetTotalPercent(dz::convert::TotalPercent(progress));
}

void CTs2PesDlg::SetTotalPercent(int percent) {
    m_wndTotal->SetValue(percent);
    m_strTotalPercent = PercentText(percent);
    m_wndTotalPercent->SetLabel(ToWx(m_strTotalPercent));
}

void CTs2PesDlg::SetCurrentPercent(int percent) {
    m_wndCurrent->SetValue(percent);
    m_strCurrentPercent = PercentText(percent);
    m_wndCurrentPercent->SetLabel(ToWx(m_strCurrentPercent));
}

void CTs2PesDlg::ServeReports() {
    m_handoff.Serve([this](const ConversionReport& report) {
        switch (report.kind) {
        case ConversionReport::Kind::kPartStarted:
            ShowPartStarted(report.index, report.totalPercent);
            break;
        case ConversionReport::Kind::kWarning:
            m_warnings.push_back(report.text);
            break;
        case ConversionReport::Kind::kFinished:
            ShowOutcome(report.outcome, report.text);
            break;
        }
    });
}

void CTs2PesDlg::ShowPartStarted(int index, int totalPercent) {
    SetTotalPercent(std::clamp(totalPercent, 0, 100));
    SetCurrentPercent(0);
    if (index == 0 && !m_progressTimer.IsRunning())
        m_progressTimer.Start(kTickMs);
    if (m_seams.onPartShown)
        m_seams.onPartShown(*this, index);
}

void CTs2PesDlg::ShowOutcome(dz::convert::ConversionOutcome outcome, const std::u16string& text) {
    // A finished conversion is news, not a warning, unless something of it is.
    std::u16string shown = text;
    for (const std::u16string& warning : m_warnings)
        shown += u"\n\n" + warning;
    if (outcome == dz::convert::ConversionOutcome::kFinished && m_warnings.empty())
        ShowAppInformation(shown, this);
    else
        ShowAppMessage(shown, this);
    // Every outcome, the failures to open included, leaves the dialog idle
    // again, so Start and Open work for the next try.
    SetTotalPercent(0);
    SetCurrentPercent(0);
    m_bBusy = false;
    // The worker waits until this returns; it can only be joined afterwards.
    if (m_bClosing)
        CallAfter(&CTs2PesDlg::EndWhenWorkerGone);
}

void CTs2PesDlg::OnCharHook(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE) {
        RequestClose();
        return;
    }
    event.Skip();
}

void CTs2PesDlg::OnClose(wxCloseEvent& event) {
    if (event.CanVeto()) {
        RequestClose();
        return;
    }
    // A close that cannot wait: the worker is let go of any report and
    // stopped, and waited for here.
    m_bClosing = true;
    m_handoff.Shut();
    if (m_pStop)
        m_pStop->Set();
    m_pJob->Join();
    m_bBusy = false;
    EndWhenWorkerGone();
}

void CTs2PesDlg::RequestClose() {
    m_bClosing = true;
    if (m_pStop)
        m_pStop->Set();
    // A busy worker ends through its outcome, which comes back here; the
    // event loop keeps running meanwhile, so its reports are served.
    EndWhenWorkerGone();
}

void CTs2PesDlg::EndWhenWorkerGone() {
    if (m_bBusy || m_bEnded)
        return;
    m_pJob->Join();
    m_bEnded = true;
    m_progressTimer.Stop();
    m_stopWaitTimer.Stop();
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}
