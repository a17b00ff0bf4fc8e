#include "ui/panes/DetailsPane.h"

#include "common/messages.h"
#include "ui/wx_text.h"

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMargin = 4;
// Length, video, audio, and a second audio stream or a note.
constexpr int kFactsLines = 4;

// The picture as a bitmap inside the pane's picture box.
wxBitmap BitmapOf(const dz::media::RgbPicture& picture) {
    wxImage image(picture.width, picture.height, false);
    std::memcpy(image.GetData(), picture.rgb.data(),
                std::min(picture.rgb.size(), static_cast<size_t>(picture.width) *
                                                 static_cast<size_t>(picture.height) * 3));
    if (image.GetHeight() > CDetailsPane::kPictureHeight) {
        const int width =
            std::max(1, image.GetWidth() * CDetailsPane::kPictureHeight / image.GetHeight());
        image.Rescale(width, CDetailsPane::kPictureHeight, wxIMAGE_QUALITY_HIGH);
    }
    return wxBitmap(image);
}

} // namespace

std::shared_ptr<dz::convert::FactsCache> WindowFactsCache() {
    static const std::shared_ptr<dz::convert::FactsCache> cache = [] {
        auto made = std::make_shared<dz::convert::FactsCache>(dz::convert::DefaultFactsCacheFile());
        made->Load();
        return made;
    }();
    return cache;
}

int CDetailsPane::PaneHeight(const wxWindow* window) {
    // The margins, and the theme's border around the pane.
    return std::max(kPictureHeight, kFactsLines * window->GetCharHeight()) + 2 * kMargin + 4;
}

CDetailsPane::CDetailsPane() = default;

// Cancelled runs finish their step before their threads are joined.
CDetailsPane::~CDetailsPane() = default;

bool CDetailsPane::Create(wxWindow* parent) {
    if (!wxPanel::Create(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_THEME))
        return false;
    m_wake.Attach(this);
    // Its own colour: the list's frame around it marks the active pane, and
    // a pane that took that colour over would read as selected.
    SetOwnBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    m_pPicture = new wxStaticBitmap(this, wxID_ANY, wxBitmap());
    m_pPicture->SetMinSize(wxSize(kPictureWidth, kPictureHeight));
    m_pFacts = new wxStaticText(this, wxID_ANY, wxString());
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(m_pPicture, 0, wxALL, kMargin);
    sizer->Add(m_pFacts, 1, wxTOP | wxBOTTOM | wxRIGHT | wxEXPAND, kMargin);
    SetSizer(sizer);
    return true;
}

void CDetailsPane::ShowRecording(const std::u16string& path) {
    if (path == m_recording)
        return;
    m_recording = path;
    if (m_run) {
        m_run->Cancel();
        m_retired.push_back(std::move(m_run));
    }
    std::erase_if(m_retired, [](const auto& run) { return run->Finished(); });
    m_bHasPicture = false;
    m_bPictureDone = path.empty();
    m_pPicture->SetBitmap(wxBitmap());
    m_pFacts->SetLabel(path.empty() ? wxString() : ToWx(dz::msg::kReadingPicture));
    Layout();
    if (!path.empty())
        m_run = dz::media::StartDetailsRun(path, WindowFactsCache(), kPictureWidth, m_wake.Wake());
}

void CDetailsPane::ServeDetails() {
    if (m_run)
        m_run->Serve([this](const dz::media::RecordingDetails& details) { OnDetails(details); });
}

void CDetailsPane::OnDetails(const dz::media::RecordingDetails& details) {
    if (details.recording != m_recording)
        return;
    wxString text;
    for (const std::string& line : details.lines)
        text += wxString::FromUTF8(line) + "\n";
    if (details.pictureDone && !details.picture)
        text += ToWx(dz::msg::kNoPictureInRecording);
    else if (!details.pictureDone)
        text += ToWx(dz::msg::kReadingPicture);
    m_pFacts->SetLabel(text.Trim());
    if (details.picture) {
        m_pPicture->SetBitmap(BitmapOf(*details.picture));
        m_bHasPicture = true;
    }
    // The picture's box keeps its size whatever the picture's, so the facts
    // beside it never move over it.
    m_pPicture->SetMinSize(wxSize(kPictureWidth, kPictureHeight));
    m_bPictureDone = details.pictureDone;
    Layout();
    Refresh();
}

wxString CDetailsPane::FactsText() const {
    return m_pFacts->GetLabel();
}

wxBitmap CDetailsPane::Picture() const {
    return m_pPicture->GetBitmap();
}
