#pragma once
// The pane below a row's list: the selected recording's picture from a tenth
// of the way in and its stream facts beside it (a row is wide and not high:
// beneath the picture they would take the list's room). It only shows what
// a worker hands it; reading and decoding are the engine's.
#include "common/background_run.h"
#include "media/recording_details.h"
#include "ui/window_wake.h"

#include <wx/panel.h>

#include <memory>
#include <string>
#include <vector>

class wxStaticBitmap;
class wxStaticText;

// The stream facts cache the lists and the details panes share, read from
// the user's cache folder on first use.
std::shared_ptr<dz::convert::FactsCache> WindowFactsCache();

class CDetailsPane : public wxPanel {
public:
    // The box the picture is fitted into, its aspect kept: a 4:3 picture
    // fills it; a wide one is as wide and less high.
    static constexpr int kPictureWidth = 160;
    static constexpr int kPictureHeight = 120;
    // The pane's height: the picture's box, or four lines of facts if higher.
    static int PaneHeight(const wxWindow* window);

    CDetailsPane();
    ~CDetailsPane() override;
    bool Create(wxWindow* parent);

    // Shows the recording at this path (a part-1 file); empty: nothing. The
    // same path again leaves the pane as it is.
    void ShowRecording(const std::u16string& path);
    const std::u16string& GetRecording() const { return m_recording; }

    // What the pane shows now, for tests and the screenshot.
    bool HasPicture() const { return m_bHasPicture; }
    bool PictureDone() const { return m_bPictureDone; }
    wxString FactsText() const;
    wxBitmap Picture() const;

private:
    void ServeDetails();
    void OnDetails(const dz::media::RecordingDetails& details);

    wxStaticBitmap* m_pPicture = nullptr;
    wxStaticText* m_pFacts = nullptr;
    std::u16string m_recording;
    bool m_bHasPicture = false;
    bool m_bPictureDone = false;
    CWindowWake<CDetailsPane> m_wake{&CDetailsPane::ServeDetails};
    std::unique_ptr<dz::media::DetailsRun> m_run;
    // Runs cancelled but still finishing their step, dropped once ended.
    std::vector<std::unique_ptr<dz::media::DetailsRun>> m_retired;
};
