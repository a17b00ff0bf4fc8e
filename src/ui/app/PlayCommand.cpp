// Play: the selected recording is converted into a temporary .mpg in the
// user's cache folder, with a progress bar, and handed to the desktop's
// default player. The temporaries go when the program ends (and, after a
// crash, at the next start).
#include "common/messages.h"
#include "common/text.h"
#include "common/user_settings.h"
#include "convert/conversion_job.h"
#include "convert/play_files.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "ui/MessageBox.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <wx/filename.h>
#include <wx/progdlg.h>
#include <wx/utils.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

constexpr char16_t kNoRecording[] = u"Play needs a recording selected";

// What the worker tells, read by the progress loop on the window's thread.
class PlayObserver : public dz::convert::ConversionObserver {
public:
    void OnPartStarted(int, int, int) override {}
    void OnFinished(dz::convert::ConversionOutcome outcome, std::u16string_view text) override {
        m_text = std::u16string(text);
        m_outcome.store(outcome);
    }
    static int Percent(const dz::convert::SourceProgress& progress) {
        return dz::convert::TotalPercent(progress);
    }
    dz::convert::ConversionOutcome Outcome() const { return m_outcome.load(); }
    // Read once the worker was joined.
    const std::u16string& Text() const { return m_text; }

private:
    std::u16string m_text;
    std::atomic<dz::convert::ConversionOutcome> m_outcome{
        dz::convert::ConversionOutcome::kCanceled};
};

std::u16string PlayFolder() {
    return dz::platform::UserCacheFolder();
}

} // namespace

wxString CMainFrame::GetPlayOpener() const {
    // Tests and users with another player put its name here.
    wxString opener;
    if (wxGetEnv("DEZADIDE_OPENER", &opener) && !opener.empty())
        return opener;
    return {};
}

void CMainFrame::OnPlay(wxCommandEvent&) {
    const std::optional<int> row = FocusedListRow();
    const std::u16string name = row ? Row(*row).fileView->FocusedRecording() : std::u16string();
    const std::u16string folder = row ? Row(*row).folderView->m_strPath : std::u16string();
    if (name.empty() || folder.empty()) {
        ShowAppMessage(kNoRecording, this);
        return;
    }
    const std::u16string cache = PlayFolder();
    if (cache.empty() || !wxFileName::Mkdir(ToWx(cache), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL)) {
        ShowAppMessage(dz::msg::kCantOpenTarget, this);
        return;
    }
    const std::u16string recordingName = dz::CRecordingName().GetRecordingName(name);
    const std::u16string target = dz::convert::PlayFilePath(cache, dz::platform::CurrentProcessId(),
                                                            ++m_nPlayCount, recordingName);

    PlayObserver observer;
    dz::convert::ConversionJob job(observer);
    auto stop = std::make_shared<dz::convert::StopEvent>();
    if (!job.Start(dz::platform::JoinPath(folder, name), target, stop))
        return;
    {
        wxProgressDialog progress("Play", ToWx(u"Converting " + recordingName + u" to play it"),
                                  100, this, wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_AUTO_HIDE);
        while (job.IsRunning()) {
            if (!progress.Update(std::min(observer.Percent(job.Progress()), 99)))
                stop->Set();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    job.Join();
    const dz::convert::ConversionOutcome outcome = observer.Outcome();
    if (outcome != dz::convert::ConversionOutcome::kFinished) {
        dz::platform::ResetAttributesAndDelete(target);
        if (!stop->IsSet())
            ShowAppMessage(observer.Text(), this);
        return;
    }
    // Without a player of the user's choice, the desktop's default opens it
    // (xdg-open on Linux, the shell's open on Windows).
    OpenInPlayer(target);
}

void RemoveOwnPlayFiles() {
    const std::u16string cache = PlayFolder();
    if (!cache.empty())
        dz::convert::RemovePlayFiles(cache, dz::platform::CurrentProcessId());
}

void RemoveLeftoverPlayFiles() {
    const std::u16string cache = PlayFolder();
    if (!cache.empty())
        dz::convert::RemovePlayFiles(cache, 0);
}
