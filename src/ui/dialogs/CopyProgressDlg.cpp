#include "ui/dialogs/CopyProgressDlg.h"

#include "common/text.h"
#include "transfer/transfer_plan.h"
#include "ui/dialog_units.h"
#include "ui/wx_text.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/gauge.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <string>
#include <system_error>

namespace {

// The rate line changes at most this often, so that it can be read.
constexpr std::chrono::milliseconds kRateRefresh{250};

// A bar takes any range and position the reports carry; the control itself
// refuses a position beyond its range.
void SetBar(wxGauge* bar, int32_t range, int32_t position) {
    const int r = std::max(range, 0);
    bar->SetRange(r);
    bar->SetValue(std::clamp(position, 0, r));
}

std::u16string Counter(int32_t number, int32_t total) {
    return dz::Ascii(std::to_string(number) + "/" + std::to_string(total));
}

} // namespace

CCopyProgressDlg::CCopyProgressDlg(dz::TransferMode mode, dz::TransferJob job, Seams seams)
    // The worker's thread only queues a call; the dialog serves the report on
    // its own thread and releases the worker from there.
    : m_seams(std::move(seams)), m_nMode(mode), m_wake(&CCopyProgressDlg::ServeReports),
      m_handoff(m_wake.Wake()), m_job(std::move(job)), m_timer(this, IDT_START_WORKER) {
    m_job.sink = &m_handoff;
    m_job.outcome = &m_outcome;
    m_job.cancel = &m_cancel;
    // A caption that names the entry and whether it is copied or moved, but
    // no close box: nothing to close it by but Cancel.
    Create(nullptr, IDD_COPY_PROGRESS, wxString(), wxDefaultPosition, wxDefaultSize,
           wxCAPTION | wxBORDER_RAISED);
    m_wake.Attach(this);
    SetClientSize(ConvertDialogToPixels(wxSize(230, 122)));
    CreateControls();
    Centre();

    Bind(wxEVT_PAINT, &CCopyProgressDlg::OnPaint, this);
    Bind(wxEVT_TIMER, &CCopyProgressDlg::OnTimer, this, IDT_START_WORKER);
    Bind(wxEVT_BUTTON, &CCopyProgressDlg::OnCancel, this, wxID_CANCEL);
    // Enter reaches a dialog as its affirmative button; there is none here,
    // and the job must not be left behind by a key press.
    Bind(
        wxEVT_BUTTON, [](wxCommandEvent&) {}, wxID_OK);
    Bind(wxEVT_CLOSE_WINDOW, &CCopyProgressDlg::OnClose, this);
    Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent&) {
        // The controls start empty: the folders and the counter are kept
        // here and reach them with the first entry that starts.
        TransferDataToWindow();
        if (HasWork()) {
            m_strSource = m_job.source;
            m_strDestination = m_job.destination;
            m_strCounter = Counter(1, static_cast<int32_t>(m_job.names.GetSize()));
        }
        m_wndTotal->SetValue(0);
        m_wndCurrent->SetValue(0);
    });
}

CCopyProgressDlg::~CCopyProgressDlg() {
    // Normally the worker has ended long before; if the dialog goes first,
    // its reports are dropped so that it can end without the window.
    m_handoff.Shut();
    if (m_worker.joinable()) {
        m_cancel.Cancel();
        m_worker.join();
    }
}

void CCopyProgressDlg::CreateControls() {
    auto place = [this](wxWindow* control, int x, int y, int w, int h) {
        control->SetSize(DialogRect(this, x, y, w, h));
    };
    const long label = wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE;
    const long field = wxTE_READONLY | wxBORDER_SUNKEN;
    // Creation order is the tab order.
    place(new wxStaticBox(this, wxID_ANY, "Total"), 7, 7, 216, 108);
    place(new wxStaticBox(this, wxID_ANY, "Current"), 13, 30, 204, 68);
    m_wndCounter = NewLabel(this, IDC_PROGRESS_COUNTER, wxString(), label);
    place(m_wndCounter, 13, 17, 38, 10);
    m_wndTotal = NewProgressBar(this, IDC_PROGRESS_TOTAL);
    place(m_wndTotal, 51, 17, 166, 10);
    place(NewLabel(this, wxID_ANY, "FileName", label), 17, 53, 44, 12);
    m_wndCurrent = NewProgressBar(this, IDC_PROGRESS_CURRENT);
    place(m_wndCurrent, 17, 84, 196, 10);
    m_wndFileName = new wxTextCtrl(this, IDC_PROGRESS_FILENAME, wxString(), wxDefaultPosition,
                                   wxDefaultSize, field);
    place(m_wndFileName, 61, 53, 151, 12);
    place(NewLabel(this, wxID_ANY, "Source", label), 17, 40, 44, 12);
    place(NewLabel(this, wxID_ANY, "Destination", label), 17, 66, 44, 12);
    m_wndSource = new wxTextCtrl(this, IDC_PROGRESS_SOURCE, wxString(), wxDefaultPosition,
                                 wxDefaultSize, field);
    place(m_wndSource, 61, 40, 151, 12);
    m_wndDestination = new wxTextCtrl(this, IDC_PROGRESS_DESTINATION, wxString(), wxDefaultPosition,
                                      wxDefaultSize, field);
    place(m_wndDestination, 61, 66, 151, 12);
    place(new wxButton(this, wxID_CANCEL, "&Cancel"), 173, 101, 50, 14);
    // Speed and time left, in the free room beside Cancel.
    m_wndRate = NewLabel(this, IDC_PROGRESS_RATE, wxString(), wxST_NO_AUTORESIZE);
    place(m_wndRate, 13, 103, 156, 10);
}

bool CCopyProgressDlg::TransferDataToWindow() {
    m_wndFileName->ChangeValue(ToWx(m_strFileName));
    m_wndCounter->SetLabel(ToWx(m_strCounter));
    m_wndDestination->ChangeValue(ToWx(m_strDestination));
    m_wndSource->ChangeValue(ToWx(m_strSource));
    return wxDialog::TransferDataToWindow();
}

void CCopyProgressDlg::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    if (!m_bFirstPaint)
        return;
    m_bFirstPaint = false;
    // The worker starts only once the dialog can be seen.
    if (HasWork())
        m_timer.StartOnce(100);
    else
        CallAfter(&CCopyProgressDlg::RequestEnd);
}

void CCopyProgressDlg::OnTimer(wxTimerEvent&) {
    m_timer.Stop();
    if (!m_worker.joinable() && !m_bEndRequested)
        StartWorker();
}

void CCopyProgressDlg::StartWorker() {
    m_jobBytes = dz::JobBytes();
    m_bEntrySizesTaken = false;
    m_rate = dz::RateMeter();
    m_rate.Add(std::chrono::steady_clock::now(), 0);
    std::function<int(dz::TransferJob*)> proc = m_seams.threadProc;
    if (!proc)
        proc = m_nMode == dz::TransferMode::Copy ? dz::CopyThreadProc : dz::MoveThreadProc;
    try {
        m_worker = std::thread([this, proc] {
            // The companions are read here, not on the window's thread: a
            // slow or sleeping disk must not freeze the dialog. The window
            // takes the sizes with the first report, which the hand-off
            // delivers only after this write.
            m_entrySizes = dz::EntrySizesOf(m_job.source, m_job.names);
            proc(&m_job);
            m_handoff.Finish();
        });
    } catch (const std::system_error&) {
        // No thread to be had: nothing was started, and the dialog ends as
        // after a failure, without a word.
        RequestEnd();
    }
}

void CCopyProgressDlg::ServeReports() {
    m_handoff.Serve([this](const dz::ProgressReport& report) { OnProgress(report); });
    // A worker that has ended takes the dialog with it, whatever it reported
    // last: there is nothing left to wait for.
    if (m_worker.joinable() && m_handoff.Finished())
        RequestEnd();
}

void CCopyProgressDlg::ShowTitle(int percent) {
    const int parts = m_partSizes.empty() ? 0 : static_cast<int>(m_partSizes.size()) - 1;
    const int part = dz::PartAtPercent(m_partSizes, percent);
    if (part == m_nPart && !GetTitle().empty())
        return;
    m_nPart = part;
    SetTitle(ToWx(dz::ProgressTitle(m_nMode == dz::TransferMode::Move,
                                    dz::ShownEntryName(m_strFileName), part, parts)));
}

void CCopyProgressDlg::OnProgress(const dz::ProgressReport& report) {
    switch (report.code) {
    case dz::ProgressCode::FileStart: {
        m_strCounter = Counter(report.number, report.total);
        const bool known =
            report.number >= 1 && static_cast<size_t>(report.number) <= m_job.names.GetSize();
        m_strFileName = known ? m_job.names[static_cast<size_t>(report.number) - 1] : u"";
        m_partSizes = known && dz::IsPartFileName(m_strFileName)
                          ? dz::EntryFileSizes(m_job.source, m_strFileName)
                          : std::vector<uint64_t>();
        m_nPart = -1;
        ShowTitle(0);
        SetBar(m_wndTotal, report.total, report.number);
        SetBar(m_wndCurrent, report.range, 0);
        TransferDataToWindow();
        break;
    }
    case dz::ProgressCode::Step:
        SetBar(m_wndTotal, m_wndTotal->GetRange(), report.number);
        SetBar(m_wndCurrent, m_wndCurrent->GetRange(), report.position);
        if (!m_partSizes.empty())
            ShowTitle(report.position); // a recording's bar runs over percent
        break;
    case dz::ProgressCode::JobDone:
    case dz::ProgressCode::ErrorSource:
    case dz::ProgressCode::ErrorDestination:
    case dz::ProgressCode::ErrorCompanion:
    case dz::ProgressCode::ErrorOther:
    case dz::ProgressCode::ErrorMemory:
        CallAfter(&CCopyProgressDlg::RequestEnd);
        break;
    default:
        break;
    }
    if (!m_bEntrySizesTaken) {
        m_jobBytes = dz::JobBytes(std::move(m_entrySizes));
        m_bEntrySizesTaken = true;
    }
    m_jobBytes.OnReport(report);
    ShowRate();
    if (m_seams.onReport)
        m_seams.onReport(*this, report);
}

void CCopyProgressDlg::ShowRate() {
    const auto now = std::chrono::steady_clock::now();
    m_rate.Add(now, m_jobBytes.Done());
    if (now - m_lastRateShown < kRateRefresh)
        return;
    const auto speed = m_rate.BytesPerSecond();
    // Without the entries' sizes there is no figure worth showing.
    if (!speed || m_jobBytes.Total() <= 0)
        return;
    m_lastRateShown = now;
    m_wndRate->SetLabel(ToWx(
        dz::FormatRate(speed, dz::SecondsLeft(m_jobBytes.Total() - m_jobBytes.Done(), speed))));
}

void CCopyProgressDlg::OnCancel(wxCommandEvent&) {
    RequestEnd();
}

void CCopyProgressDlg::OnClose(wxCloseEvent&) {
    RequestEnd();
}

void CCopyProgressDlg::RequestEnd() {
    m_bEndRequested = true;
    m_timer.Stop();
    if (m_worker.joinable()) {
        m_cancel.Cancel();
        // Reports keep flowing through the event loop meanwhile; the
        // worker's end brings us back here through ServeReports.
        if (!m_handoff.Finished())
            return;
        m_worker.join();
    }
    if (m_bEnded)
        return;
    m_bEnded = true;
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}

std::u16string CCopyProgressDlg::GetCounterText() const {
    return FromWx(m_wndCounter->GetLabel());
}
std::u16string CCopyProgressDlg::GetFileNameText() const {
    return FromWx(m_wndFileName->GetValue());
}
std::u16string CCopyProgressDlg::GetSourceText() const {
    return FromWx(m_wndSource->GetValue());
}
std::u16string CCopyProgressDlg::GetDestinationText() const {
    return FromWx(m_wndDestination->GetValue());
}
std::u16string CCopyProgressDlg::GetRateText() const {
    return FromWx(m_wndRate->GetLabel());
}
int CCopyProgressDlg::GetTotalRange() const {
    return m_wndTotal->GetRange();
}
int CCopyProgressDlg::GetTotalPosition() const {
    return m_wndTotal->GetValue();
}
int CCopyProgressDlg::GetCurrentRange() const {
    return m_wndCurrent->GetRange();
}
int CCopyProgressDlg::GetCurrentPosition() const {
    return m_wndCurrent->GetValue();
}
