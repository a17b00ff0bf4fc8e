#include "ui/app/DezadideApp.h"

#include "ui/app/DezadideDoc.h"
#include "ui/app/MainFrame.h"
#include "ui/app/resource.h"
#include "ui/dialogs/AboutDlg.h"

#include <wx/log.h>

CMainFrame* StartMainWindow(CDocManager& manager, const wxString& documentPath,
                            const wxSize& clientSize) {
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
    frame->Show();
    frame->Update();
    return frame;
}

CDezadideApp::CDezadideApp() = default;
CDezadideApp::~CDezadideApp() = default;

bool CDezadideApp::OnInit() {
    // The framework's settings would live under this vendor's name; the
    // program itself stores nothing and keeps no recent-file list.
    SetVendorName("Local AppWizard-Generated Applications");
    SetAppName("Dezadide");
    m_pDocManager = std::make_unique<CDocManager>();
    const wxString document = argc > 1 ? argv[1] : wxString();
    CMainFrame* frame = StartMainWindow(*m_pDocManager, document);
    if (!frame)
        return false;
    SetTopWindow(frame);
    return true;
}

int CDezadideApp::OnExit() {
    m_pDocManager.reset();
    return wxApp::OnExit();
}

void CDezadideApp::OnAppAbout(wxCommandEvent&) {
    ShowAboutBox(GetTopWindow());
}

// At the end of the file: the table's closing macro has no semicolon, which
// the formatter would otherwise take to run on into the next definition.
// clang-format off
wxBEGIN_EVENT_TABLE(CDezadideApp, wxApp)
    EVT_MENU(ID_APP_ABOUT, CDezadideApp::OnAppAbout)
wxEND_EVENT_TABLE()
    // clang-format on
