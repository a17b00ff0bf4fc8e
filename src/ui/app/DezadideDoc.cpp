#include "ui/app/DezadideDoc.h"

#include "transfer/transfer_plan.h"
#include "ui/MessageBox.h"
#include "ui/wx_text.h"

wxIMPLEMENT_DYNAMIC_CLASS(CDezadideDoc, wxDocument);

bool CDezadideDoc::DoSaveDocument(const wxString& file) {
    const std::u16string name = FromWx(file);
    if (dz::IsMediaFileName(name)) {
        ShowAppMessage(dz::SaveRefusedText(name));
        return false;
    }
    return wxDocument::DoSaveDocument(file);
}
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
