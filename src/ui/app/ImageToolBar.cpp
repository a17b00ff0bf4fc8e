#include "ui/app/ImageToolBar.h"

#include "ui/app/Commands.h"
#include "ui/app/Resources.h"
#include "ui/app/resource.h"

#include <vector>

namespace {

// The transparent colour: the strip's lower-left pixel.
wxColour TransparentColour(const wxImage& image) {
    const int y = image.GetHeight() - 1;
    return wxColour(image.GetRed(0, y), image.GetGreen(0, y), image.GetBlue(0, y));
}

std::vector<int> ButtonIds() {
    std::vector<int> ids;
    for (int id : kToolbarLayout) {
        if (id != 0)
            ids.push_back(id);
    }
    return ids;
}

int ButtonIndex(int toolId) {
    const std::vector<int> ids = ButtonIds();
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == toolId)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

bool CImageToolBar::Create(wxWindow* parent, wxWindowID id, long style) {
    if (!wxToolBar::Create(parent, id, wxDefaultPosition, wxDefaultSize, style))
        return false;
    Bind(wxEVT_TOOL_ENTER, &CImageToolBar::OnToolEnter, this);
    return true;
}

void CImageToolBar::OnToolEnter(wxCommandEvent& event) {
    event.Skip();
    ShowHot(m_hotTool, false);
    m_hotTool = event.GetInt(); // wxID_ANY when the pointer left the buttons
    ShowHot(m_hotTool, true);
}

void CImageToolBar::ShowHot(int toolId, bool hot) {
    const wxImageList* normal = m_lists[static_cast<int>(ToolImageList::Normal)].get();
    const wxImageList* hotList = m_lists[static_cast<int>(ToolImageList::Hot)].get();
    const int index = ButtonIndex(toolId);
    if (!normal || !hotList || index < 0 || index >= normal->GetImageCount() ||
        index >= hotList->GetImageCount())
        return;
    // A disabled button keeps its disabled picture.
    if (hot && !GetToolEnabled(toolId))
        return;
    SetToolNormalBitmap(toolId, (hot ? hotList : normal)->GetBitmap(index));
}

bool CImageToolBar::LoadToolBar(int resourceId) {
    const wxBitmap strip = LoadBitmapResource(resourceId);
    if (!strip.IsOk() || strip.GetHeight() != kToolButtonHeight)
        return false;
    const wxImage image = strip.ConvertToImage();
    const wxColour transparent = TransparentColour(image);
    SetToolBitmapSize(wxSize(kToolButtonWidth, kToolButtonHeight));
    int button = 0;
    for (int id : kToolbarLayout) {
        if (id == 0) {
            AddSeparator();
            continue;
        }
        wxBitmap picture(kToolButtonWidth, kToolButtonHeight);
        const wxRect rect(button * kToolButtonWidth, 0, kToolButtonWidth, kToolButtonHeight);
        if (rect.GetRight() < image.GetWidth()) {
            wxImage part = image.GetSubImage(rect);
            part.SetMaskColour(transparent.Red(), transparent.Green(), transparent.Blue());
            picture = wxBitmap(part);
        }
        const CommandRow* text = FindCommand(id);
        AddTool(id, wxString(), picture, text ? wxString(text->tip) : wxString());
        ++button;
    }
    return Realize();
}

bool CImageToolBar::LoadImageLists(int buttonWidth, int normalBitmapId, int hotBitmapId,
                                   int disabledBitmapId) {
    if (!SetImageListFromBitmap(ToolImageList::Normal, normalBitmapId, buttonWidth))
        return false;
    if (!SetImageListFromBitmap(ToolImageList::Hot, hotBitmapId, buttonWidth))
        return false;
    if (disabledBitmapId != 0 &&
        !SetImageListFromBitmap(ToolImageList::Disabled, disabledBitmapId, buttonWidth))
        return false;
    return true;
}

bool CImageToolBar::SetImageListFromBitmap(ToolImageList which, int bitmapId, int buttonWidth) {
    const wxBitmap bitmap = LoadBitmapResource(bitmapId);
    if (!bitmap.IsOk())
        return false;
    // A width of 0 or less cannot cut the strip into pictures at all.
    if (buttonWidth <= 0 || bitmap.GetHeight() <= 0)
        return false;
    const wxImage image = bitmap.ConvertToImage();
    const wxColour transparent = TransparentColour(image);
    auto list = std::make_unique<wxImageList>(buttonWidth, bitmap.GetHeight(), true,
                                              bitmap.GetWidth() / buttonWidth);
    // A strip narrower than one picture holds none: the list cannot take it.
    if (bitmap.GetWidth() < buttonWidth)
        return false;
    if (list->Add(bitmap, transparent) == -1)
        return false;
    m_lists[static_cast<int>(which)] = std::move(list);
    ApplyImages(which);
    return true;
}

const wxImageList* CImageToolBar::GetToolImageList(ToolImageList which) const {
    return m_lists[static_cast<int>(which)].get();
}

void CImageToolBar::ApplyImages(ToolImageList which) {
    const wxImageList& list = *m_lists[static_cast<int>(which)];
    const std::vector<int> ids = ButtonIds();
#ifdef __WXMSW__
    // Windows' toolbar rebuilds itself for each picture set one at a time,
    // a good part of the start-up time: the tools take all their pictures
    // first, and the bar is rebuilt once.
    if (which == ToolImageList::Hot)
        return; // shown by OnToolEnter while the pointer is on a button
    for (size_t i = 0; i < ids.size() && static_cast<int>(i) < list.GetImageCount(); ++i) {
        wxToolBarToolBase* tool = FindById(ids[i]);
        if (!tool)
            continue;
        const wxBitmap picture = list.GetBitmap(static_cast<int>(i));
        if (which == ToolImageList::Normal)
            tool->SetNormalBitmap(picture);
        else
            tool->SetDisabledBitmap(picture);
    }
    Realize();
    return;
#endif
    for (size_t i = 0; i < ids.size() && static_cast<int>(i) < list.GetImageCount(); ++i) {
        const wxBitmap picture = list.GetBitmap(static_cast<int>(i));
        switch (which) {
        case ToolImageList::Normal:
            SetToolNormalBitmap(ids[i], picture);
            break;
        case ToolImageList::Disabled:
            SetToolDisabledBitmap(ids[i], picture);
            break;
        case ToolImageList::Hot:
            break; // shown by OnToolEnter while the pointer is on a button
        }
    }
}
