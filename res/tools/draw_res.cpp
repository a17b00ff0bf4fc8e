// Draws the window's pictures: the three toolbar strips, the 16-colour strip
// of the toolbar layout (made from the normal one by make_res.sh) and the
// application icon in the icon theme's sizes. Run by res/tools/make_res.sh;
// its output is committed.
//
// Each button picture is drawn with anti-aliasing on a transparent canvas,
// then laid onto the strip's key colour: fully covered pixels keep their
// colour, edge pixels are blended with a light toolbar grey, and uncovered
// pixels take the key colour, which the toolbar leaves transparent.
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/wx.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr int kW = 64, kH = 42, kCount = 8;
// The picture area inside each 64 x 42 button, in pixels.
constexpr double kBoxX = 14, kBoxY = 3, kBox = 36;

using Painter = std::function<void(wxGraphicsContext&)>;

wxColour Mix(const wxColour& a, const wxColour& b, double t) {
    return wxColour(a.Red() + (b.Red() - a.Red()) * t, a.Green() + (b.Green() - a.Green()) * t,
                    a.Blue() + (b.Blue() - a.Blue()) * t);
}

void Fill(wxGraphicsContext& gc, wxGraphicsPath& path, const wxColour& top, const wxColour& bottom,
          double y0, double y1, const wxColour& line, double width = 1.2) {
    gc.SetBrush(gc.CreateLinearGradientBrush(0, y0, 0, y1, top, bottom));
    gc.SetPen(wxPen(line, 1));
    gc.SetPen(gc.CreatePen(wxGraphicsPenInfo(line).Width(width)));
    gc.DrawPath(path);
}

// --- pictures, each in a 36 x 36 box ----------------------------------------

void Folder(wxGraphicsContext& gc, double x, double y, double w, double h) {
    wxGraphicsPath back = gc.CreatePath();
    back.MoveToPoint(x, y + 4);
    back.AddLineToPoint(x + w * 0.38, y + 4);
    back.AddLineToPoint(x + w * 0.46, y);
    back.AddLineToPoint(x + w * 0.46, y + 4); // tab
    back.MoveToPoint(x, y + 2);
    back = gc.CreatePath();
    back.AddRoundedRectangle(x, y, w * 0.45, 8, 2);
    back.AddRoundedRectangle(x, y + 4, w, h - 4, 2);
    Fill(gc, back, wxColour(232, 178, 52), wxColour(205, 146, 30), y, y + h,
         wxColour(150, 102, 16));
    wxGraphicsPath front = gc.CreatePath();
    front.MoveToPoint(x + 1, y + h);
    front.AddLineToPoint(x + w - 1, y + h);
    front.AddLineToPoint(x + w, y + 10);
    front.AddLineToPoint(x + 2, y + 10);
    front.CloseSubpath();
    Fill(gc, front, wxColour(255, 219, 110), wxColour(244, 190, 60), y + 10, y + h,
         wxColour(160, 112, 20));
}

void Badge(wxGraphicsContext& gc, double cx, double cy, double r, const wxColour& colour) {
    wxGraphicsPath circle = gc.CreatePath();
    circle.AddCircle(cx, cy, r);
    Fill(gc, circle, Mix(colour, *wxWHITE, 0.35), colour, cy - r, cy + r,
         Mix(colour, *wxBLACK, 0.4));
}

void Plus(wxGraphicsContext& gc, double cx, double cy, double a) {
    gc.SetPen(gc.CreatePen(wxGraphicsPenInfo(*wxWHITE).Width(2.6).Cap(wxCAP_BUTT)));
    gc.StrokeLine(cx - a, cy, cx + a, cy);
    gc.StrokeLine(cx, cy - a, cx, cy + a);
}

void Document(wxGraphicsContext& gc, double x, double y, double w, double h) {
    const double fold = w * 0.3;
    wxGraphicsPath page = gc.CreatePath();
    page.MoveToPoint(x, y);
    page.AddLineToPoint(x + w - fold, y);
    page.AddLineToPoint(x + w, y + fold);
    page.AddLineToPoint(x + w, y + h);
    page.AddLineToPoint(x, y + h);
    page.CloseSubpath();
    Fill(gc, page, wxColour(255, 255, 255), wxColour(226, 232, 240), y, y + h,
         wxColour(96, 104, 118));
    wxGraphicsPath corner = gc.CreatePath();
    corner.MoveToPoint(x + w - fold, y);
    corner.AddLineToPoint(x + w - fold, y + fold);
    corner.AddLineToPoint(x + w, y + fold);
    gc.SetPen(gc.CreatePen(wxGraphicsPenInfo(wxColour(96, 104, 118)).Width(1)));
    gc.SetBrush(wxBrush(wxColour(210, 216, 226)));
    gc.DrawPath(corner);
    gc.SetPen(gc.CreatePen(wxGraphicsPenInfo(wxColour(150, 160, 176)).Width(1.4)));
    for (double ly = y + fold + 3; ly < y + h - 3; ly += 4)
        gc.StrokeLine(x + 3, ly, x + w - 4, ly);
}

// A thick arrow along x = cx from y0 to y1 (its head at y1).
void Arrow(wxGraphicsContext& gc, double cx, double y0, double y1, const wxColour& colour) {
    const double dir = y1 > y0 ? 1 : -1;
    const double head = 9, shaft = 3.6, wing = 8;
    wxGraphicsPath p = gc.CreatePath();
    p.MoveToPoint(cx - shaft, y0);
    p.AddLineToPoint(cx + shaft, y0);
    p.AddLineToPoint(cx + shaft, y1 - dir * head);
    p.AddLineToPoint(cx + wing, y1 - dir * head);
    p.AddLineToPoint(cx, y1);
    p.AddLineToPoint(cx - wing, y1 - dir * head);
    p.AddLineToPoint(cx - shaft, y1 - dir * head);
    p.CloseSubpath();
    Fill(gc, p, Mix(colour, *wxWHITE, 0.3), colour, std::min(y0, y1), std::max(y0, y1),
         Mix(colour, *wxBLACK, 0.45));
}

void NewFolder(wxGraphicsContext& gc) {
    Folder(gc, 1, 6, 30, 24);
    Badge(gc, 27, 27, 7.5, wxColour(46, 150, 60));
    Plus(gc, 27, 27, 4);
}

// Two stacked pages for a copy, one page for a move; blue arrows copy,
// orange arrows move.
void Transfer(wxGraphicsContext& gc, bool down, bool copy) {
    const wxColour colour = copy ? wxColour(40, 110, 210) : wxColour(226, 120, 20);
    if (copy)
        Document(gc, 2, 2, 17, 22);
    Document(gc, copy ? 7 : 4, copy ? 10 : 5, 17, 22);
    if (down)
        Arrow(gc, 28, 4, 33, colour);
    else
        Arrow(gc, 28, 33, 4, colour);
}

void Delete(wxGraphicsContext& gc) {
    const wxColour red(214, 40, 40);
    wxGraphicsPath cross = gc.CreatePath();
    const double c = 18, a = 12, t = 4.2; // centre, arm, half thickness
    cross.MoveToPoint(c - a, c - a + t);
    cross.AddLineToPoint(c - a + t, c - a);
    cross.AddLineToPoint(c, c - t);
    cross.AddLineToPoint(c + a - t, c - a);
    cross.AddLineToPoint(c + a, c - a + t);
    cross.AddLineToPoint(c + t, c);
    cross.AddLineToPoint(c + a, c + a - t);
    cross.AddLineToPoint(c + a - t, c + a);
    cross.AddLineToPoint(c, c + t);
    cross.AddLineToPoint(c - a + t, c + a);
    cross.AddLineToPoint(c - a, c + a - t);
    cross.AddLineToPoint(c - t, c);
    cross.CloseSubpath();
    Fill(gc, cross, wxColour(248, 110, 100), red, c - a, c + a, wxColour(130, 16, 16));
}

void Video(wxGraphicsContext& gc) {
    wxGraphicsPath film = gc.CreatePath();
    film.AddRoundedRectangle(3, 5, 30, 26, 2.5);
    Fill(gc, film, wxColour(90, 94, 104), wxColour(46, 48, 56), 5, 31, wxColour(24, 24, 30));
    gc.SetPen(*wxTRANSPARENT_PEN);
    gc.SetBrush(wxBrush(wxColour(236, 238, 242)));
    for (int i = 0; i < 5; ++i) {
        gc.DrawRoundedRectangle(5 + i * 5.6, 7, 3.2, 3, 0.8);
        gc.DrawRoundedRectangle(5 + i * 5.6, 26, 3.2, 3, 0.8);
    }
    wxGraphicsPath frame = gc.CreatePath();
    frame.AddRectangle(6, 12, 24, 12);
    Fill(gc, frame, wxColour(120, 190, 250), wxColour(40, 110, 210), 12, 24, wxColour(20, 60, 130),
         0.8);
    wxGraphicsPath play = gc.CreatePath();
    play.MoveToPoint(15, 14);
    play.AddLineToPoint(23, 18);
    play.AddLineToPoint(15, 22);
    play.CloseSubpath();
    gc.SetPen(*wxTRANSPARENT_PEN);
    gc.SetBrush(*wxWHITE_BRUSH);
    gc.FillPath(play);
}

void Mp3(wxGraphicsContext& gc) {
    const wxColour ink(110, 50, 170);
    gc.SetPen(gc.CreatePen(wxGraphicsPenInfo(Mix(ink, *wxBLACK, 0.3)).Width(1)));
    gc.SetBrush(gc.CreateLinearGradientBrush(0, 2, 0, 26, Mix(ink, *wxWHITE, 0.3), ink));
    wxGraphicsPath beam = gc.CreatePath();
    beam.MoveToPoint(12, 5);
    beam.AddLineToPoint(30, 1);
    beam.AddLineToPoint(30, 6);
    beam.AddLineToPoint(12, 10);
    beam.CloseSubpath();
    beam.AddRectangle(12, 5, 2.6, 17);
    beam.AddRectangle(27.4, 2, 2.6, 16);
    beam.AddEllipse(4.5, 18.5, 9.5, 7);
    beam.AddEllipse(20, 14.5, 9.5, 7);
    gc.DrawPath(beam);
    wxFont font(wxFontInfo(8).Bold().Family(wxFONTFAMILY_SWISS));
    gc.SetFont(font, wxColour(30, 30, 40));
    double tw, th;
    gc.GetTextExtent("MP3", &tw, &th);
    gc.DrawText("MP3", 18 - tw / 2, 35 - th);
}

const Painter kPictures[kCount] = {
    NewFolder,
    [](wxGraphicsContext& gc) { Transfer(gc, true, true); },
    [](wxGraphicsContext& gc) { Transfer(gc, false, true); },
    [](wxGraphicsContext& gc) { Transfer(gc, true, false); },
    [](wxGraphicsContext& gc) { Transfer(gc, false, false); },
    Delete,
    Video,
    Mp3,
};

// --- strips -------------------------------------------------------------------

wxImage Canvas(int w, int h) {
    wxImage image(w, h);
    image.InitAlpha();
    memset(image.GetAlpha(), 0, size_t(w) * h);
    memset(image.GetData(), 0, size_t(w) * h * 3);
    return image;
}

enum class Look { Normal, Hot, Disabled };

wxImage Strip(Look look, const wxColour& key) {
    wxImage art = Canvas(kW * kCount, kH);
    {
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(art));
        gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
        for (int i = 0; i < kCount; ++i) {
            gc->PushState();
            gc->Translate(i * kW + kBoxX, kBoxY);
            kPictures[i](*gc);
            gc->PopState();
        }
    }
    const wxColour face(240, 240, 240);
    wxImage strip(kW * kCount, kH);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW * kCount; ++x) {
            const int a = art.GetAlpha(x, y);
            wxColour c(art.GetRed(x, y), art.GetGreen(x, y), art.GetBlue(x, y));
            if (look == Look::Hot)
                c = Mix(c, *wxWHITE, 0.12);
            if (look == Look::Disabled) {
                const int grey = (c.Red() * 30 + c.Green() * 59 + c.Blue() * 11) / 100;
                c = Mix(wxColour(grey, grey, grey), *wxWHITE, 0.45);
            }
            if (a < 96) {
                c = key;
            } else if (a < 255) {
                c = Mix(face, c, a / 255.0);
                if (c == key) // never the key colour by accident
                    c = wxColour(key.Red(), key.Green(), key.Blue() + 1);
            }
            strip.SetRGB(x, y, c.Red(), c.Green(), c.Blue());
        }
    }
    return strip;
}

// --- icon -----------------------------------------------------------------------

wxImage Icon(int size) {
    wxImage art = Canvas(size, size);
    {
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(art));
        gc->Scale(size / 36.0, size / 36.0);
        Folder(*gc, 2, 5, 32, 27);
        Badge(*gc, 25, 24, 8.5, wxColour(220, 38, 38)); // the recorder's red button
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(wxColour(255, 255, 255, 200)));
        gc->DrawEllipse(21.5, 20.5, 4, 3);
    }
    return art;
}

class DrawApp : public wxApp {
public:
    bool OnInit() override { return true; }
    int OnRun() override {
        wxInitAllImageHandlers();
        const wxString out = argc > 1 ? argv[1] : wxString(".");
        Strip(Look::Normal, wxColour(192, 192, 192))
            .SaveFile(out + "/toolbar_normal.bmp", wxBITMAP_TYPE_BMP);
        Strip(Look::Hot, wxColour(211, 211, 211))
            .SaveFile(out + "/toolbar_hot.bmp", wxBITMAP_TYPE_BMP);
        Strip(Look::Disabled, wxColour(192, 192, 192))
            .SaveFile(out + "/toolbar_disabled.bmp", wxBITMAP_TYPE_BMP);
        // The window takes 16, 32 and 48; the desktop's icon theme takes
        // every size up to 256.
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            Icon(size).SaveFile(out + wxString::Format("/dezadide_%d.png", size),
                                wxBITMAP_TYPE_PNG);
        return 0; // no window: the pictures are all there is
    }
};

} // namespace

wxIMPLEMENT_APP(DrawApp);
