#include "ui/panes/DetailsPane.h"

#include "common/messages.h"
#include "ui/wx_text.h"

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMargin = 4;
constexpr int kFactsLines = 3; // length, video, audio

wxBitmap BitmapOf(const dz::media::RgbPicture& picture) {
    wxImage image(picture.width, picture.height, false);
    std::memcpy(image.GetData(), picture.rgb.data(),
                std::min(picture.rgb.size(), static_cast<size_t>(picture.width) *
                                                 static_cast<size_t>(picture.height) * 3));
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
    return kPictureWidth * 3 / 4 + kFactsLines * window->GetCharHeight() + 4 * kMargin;
}

CDetailsPane::CDetailsPane() = default;

// Cancelled runs finish their step before their threads are joined.
CDetailsPane::~CDetailsPane() = default;

bool CDetailsPane::Create(wxWindow* parent) {
    if (!wxPanel::Create(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_THEME))
        return false;
    m_wake.Attach(this);
    m_pPicture = new wxStaticBitmap(this, wxID_ANY, wxBitmap());
    m_pFacts = new wxStaticText(this, wxID_ANY, wxString());
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_pPicture, 0, wxLEFT | wxTOP | wxRIGHT, kMargin);
    sizer->Add(m_pFacts, 1, wxALL | wxEXPAND, kMargin);
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
