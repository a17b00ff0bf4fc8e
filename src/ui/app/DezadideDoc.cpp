#include "ui/app/DezadideDoc.h"

wxIMPLEMENT_DYNAMIC_CLASS(CDezadideDoc, wxDocument);
wxIMPLEMENT_DYNAMIC_CLASS(CDezadideView, wxView);

// Not initialised by the base: its constructor would ask the base's own
// OnCreateFileHistory, not ours.
CDocManager::CDocManager() : wxDocManager(0, false) {
    Initialize();
    SetMaxDocsOpen(1);
}

void CDocManager::AddDezadideTemplate() {
    // The manager owns and deletes its templates.
    new wxDocTemplate(this, "Dezadide", "*.*", wxString(), wxString(), "CDezadideDoc",
                      "CDezadideView", CLASSINFO(CDezadideDoc), CLASSINFO(CDezadideView));
}

wxDocument* CDocManager::CreateDocument(const wxString& path, long flags) {
    wxDocument* document = wxDocManager::CreateDocument(path, flags);
    if (document && m_onNewDocument)
        m_onNewDocument();
    return document;
}
