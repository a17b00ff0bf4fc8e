#pragma once
// The frame's toolbar, with three sets of button pictures taken from 24-bit
// strips: normal, hot (under the pointer) and disabled. Each strip holds one
// picture per button, side by side; its lower-left pixel is the colour that
// is left transparent.
#include <wx/imaglist.h>
#include <wx/toolbar.h>

#include <memory>

enum class ToolImageList { Normal, Hot, Disabled };

class CImageToolBar : public wxToolBar {
public:
    CImageToolBar() = default;
    bool Create(wxWindow* parent, wxWindowID id, long style);

    // Adds the buttons and separators of the toolbar layout, with their tool
    // tips and the pictures of the layout's own bitmap.
    bool LoadToolBar(int resourceId);
    // Normal, then hot, then (unless its id is 0) disabled; stops at the
    // first list that cannot be built, leaving the earlier ones in place.
    bool LoadImageLists(int buttonWidth, int normalBitmapId, int hotBitmapId, int disabledBitmapId);
    bool SetImageListFromBitmap(ToolImageList which, int bitmapId, int buttonWidth);

    // The list set for which, or null.
    const wxImageList* GetToolImageList(ToolImageList which) const;

private:
    void ApplyImages(ToolImageList which);
    // GTK has no picture of its own for the button under the pointer: the
    // button's normal picture is swapped for its hot one while it is there.
    void OnToolEnter(wxCommandEvent& event);
    void ShowHot(int toolId, bool hot);

    std::unique_ptr<wxImageList> m_lists[3];
    int m_hotTool = wxID_ANY;
};
