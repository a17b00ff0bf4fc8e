#include "ui/app/DezadideApp.h"

#include "common/messages.h"
#include "common/start_arguments.h"
#include "common/text.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "recording/demo_disk.h"
#include "ui/AssertLog.h"
#include "ui/MessageBox.h"
#include "ui/app/DezadideDoc.h"
#include "ui/app/MainFrame.h"
#include "ui/app/resource.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/wx_text.h"

#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

// The sample clips lie beside the program as it is installed
// (PREFIX/bin/dezadide, PREFIX/share/dezadide/demo; on Windows a "demo"
// folder in the program's own folder); the build tree copies them to the
// same place relative to its program.
wxString DemoClipsFolder() {
    wxFileName folder(wxStandardPaths::Get().GetExecutablePath());
    folder.SetFullName(wxString());
#ifndef __WXMSW__
    folder.RemoveLastDir();
    folder.AppendDir("share");
    folder.AppendDir("dezadide");
#endif
    folder.AppendDir("demo");
    return folder.GetPath();
}

// Ctrl+C or a session's end closes a demo the way the close box does (the
// frame and its document first, then the loop ends), so its temporary
// folder goes too. The request may reach any thread: it only raises a flag,
// which a timer of the main loop looks at.
void RequestDemoEnd(void* flag) {
    static_cast<std::atomic<bool>*>(flag)->store(true);
}

} // namespace

CMainFrame* StartMainWindow(CDocManager& manager, const wxString& documentPath,
                            const wxSize& clientSize, const wxString& settingsFile) {
    manager.AddDezadideTemplate();
    auto* frame = new CMainFrame(&manager, clientSize); // a top-level window owns itself
    if (!frame->IsCreated()) {
        frame->Destroy();
        return nullptr;
    }
    wxDocument* document = documentPath.empty() ? manager.CreateNewDocument()
                                                : manager.CreateDocument(documentPath, 0);
    if (!document) {
        wxLog::FlushActive(); // the framework's message, before the program ends
        frame->Destroy();
        return nullptr;
    }
    // The remembered place and size before the window is shown: a window
    // manager places a window when it first appears, and may take a later
    // move as no more than a wish.
    if (!settingsFile.empty())
        frame->RememberSettingsIn(settingsFile);
    frame->Show();
    frame->Update();
    return frame;
}

CDezadideApp::CDezadideApp() {
#ifdef NDEBUG
    // Set before anything else of the toolkit runs, so no check can reach
    // the user as a dialog; a debug build keeps the dialog for developers.
    LogToolkitAssertions();
#endif
}
CDezadideApp::~CDezadideApp() = default;

bool CDezadideApp::OnInit() {
    // The framework's settings would live under this vendor's name; the
    // program itself stores nothing and keeps no recent-file list.
    SetVendorName("Local AppWizard-Generated Applications");
    SetAppName("Dezadide");
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i].utf8_string());
    const dz::StartArguments start = dz::ParseStartArguments(arguments);
    if (start.action == dz::StartAction::Demo && !StartDemo())
        return false;
    m_pDocManager = std::make_unique<CDocManager>();
    const wxString document = start.documentIndex >= 0 ? argv[start.documentIndex + 1] : wxString();
    RemoveLeftoverPlayFiles();
    // The demo remembers in its own folder, which goes with it: what is
    // tried there never changes the real program's settings or folders.
    const wxString settings =
        m_pDemoDisk ? ToWx(dz::platform::JoinPath(m_pDemoDisk->Root(), u"settings.ini"))
                    : ToWx(dz::platform::UserSettingsFile());
    CMainFrame* frame = StartMainWindow(*m_pDocManager, document, wxDefaultSize, settings);
    if (!frame)
        return false;
    SetTopWindow(frame);
    return true;
}

int CDezadideApp::OnExit() {
    m_demoWatch.Stop();
    // The flag goes with this object; a late Ctrl+C waits for the end.
    if (m_pDemoDisk)
        dz::platform::InstallEndRequestHook(nullptr, nullptr);
    m_pDocManager.reset();
    RemoveOwnPlayFiles();
    m_pDemoDisk.reset();
    return wxApp::OnExit();
}

bool CDezadideApp::StartDemo() {
    const wxString clips = DemoClipsFolder();
    m_pDemoDisk = std::make_unique<dz::CDemoDisk>();
    if (!m_pDemoDisk->Create(FromWx(clips))) {
        m_pDemoDisk.reset();
        const wxString text = ToWx(dz::FillMessage(dz::msg::kSampleDiskFailed, FromWx(clips)));
        std::cerr << "dezadide: " << text.utf8_string() << '\n';
        ShowAppMessage(FromWx(text), dz::msg::kSampleDiskFailedCaption);
        return false;
    }
    wxSetEnv("DEZADIDE_DRIVES",
             ToWx(m_pDemoDisk->Disk() + dz::platform::kDriveListSeparator + m_pDemoDisk->Backup()));
    dz::platform::InstallEndRequestHook(RequestDemoEnd, &m_demoEndRequested);
    m_demoWatch.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (!m_demoEndRequested.load())
            return;
        m_demoWatch.Stop();
        if (wxWindow* top = GetTopWindow())
            top->Close(true);
        else
            ExitMainLoop();
    });
    m_demoWatch.Start(200);
    // Said once the signals end the demo properly; scripts wait for it.
    std::cout << "dezadide: sample disk " << ToWx(m_pDemoDisk->Disk()).utf8_string() << ", backup "
              << ToWx(m_pDemoDisk->Backup()).utf8_string() << std::endl;
    return true;
}

void CDezadideApp::OnAppAbout(wxCommandEvent&) {
    ShowAboutBox(GetTopWindow());
}

// At the end of the file: the table's closing macro has no semicolon, which
// the formatter would otherwise take to run on into the next definition.
// clang-format off
wxBEGIN_EVENT_TABLE(CDezadideApp, wxApp)
    EVT_MENU(dz::ID_APP_ABOUT, CDezadideApp::OnAppAbout)
wxEND_EVENT_TABLE()
    // clang-format on
