#pragma once
// The application: sets up the document template, builds the main window
// and opens the document named on the command line, if any.
#include <wx/app.h>
#include <wx/timer.h>

#include <atomic>
#include <memory>

class CDocManager;
class CMainFrame;
namespace dz {
class CDemoDisk;
}

class CDezadideApp : public wxApp {
public:
    CDezadideApp();
    ~CDezadideApp() override;
    bool OnInit() override;
    int OnExit() override;

private:
    void OnAppAbout(wxCommandEvent& event);
    // Makes the sample disk and the backup folder and shows them as the
    // drives; false after a message when the disk cannot be made.
    bool StartDemo();

    std::unique_ptr<CDocManager> m_pDocManager;
    std::unique_ptr<dz::CDemoDisk> m_pDemoDisk; // removed when the program ends
    wxTimer m_demoWatch;                        // ends the demo on a signal
    // Raised by Ctrl+C or a session's end, from any thread or a signal handler.
    std::atomic<bool> m_demoEndRequested{false};

    wxDECLARE_EVENT_TABLE();
};

wxDECLARE_APP(CDezadideApp);

// What the start builds, without the application object: the template, the
// main window and the first document (a new one, or the file at
// documentPath, which is opened but never read). Null, after the
// framework's message, when the window or the document cannot be made. With
// a settings file, the remembered layout is applied before the window shows.
CMainFrame* StartMainWindow(CDocManager& manager, const wxString& documentPath,
                            const wxSize& clientSize = wxDefaultSize,
                            const wxString& settingsFile = wxString());
