#pragma once
// The single, empty document of the window and its document manager. The
// document holds no data and reads or writes nothing; it exists because New,
// Open and Save are the framework's commands and act on it.
#include <wx/docview.h>

#include <functional>

class CDezadideDoc : public wxDocument {
public:
    bool OnNewDocument() override { return wxDocument::OnNewDocument(); }

protected:
    // The document is empty: saving it over a recording's file, a music file
    // or a converted film would destroy that file, so it is refused.
    bool DoSaveDocument(const wxString& file) override;

private:
    wxDECLARE_DYNAMIC_CLASS(CDezadideDoc);
};

// The framework needs a view to call a document current (Save acts on the
// current document). This one has no window: the frame shows the panes.
class CDezadideView : public wxView {
public:
    void OnDraw(wxDC*) override {}

private:
    wxDECLARE_DYNAMIC_CLASS(CDezadideView);
};

// One document at a time, no recent-file list, and a word to the frame
// whenever a document was started, so that its panes get their initial
// update again.
class CDocManager : public wxDocManager {
public:
    CDocManager();
    // Registers the document template (document, view, "*.*").
    void AddDezadideTemplate();

    wxFileHistory* OnCreateFileHistory() override { return nullptr; }
    wxDocument* CreateDocument(const wxString& path, long flags = 0) override;

    void SetNewDocumentHandler(std::function<void()> handler) {
        m_onNewDocument = std::move(handler);
    }

private:
    std::function<void()> m_onNewDocument;
};
