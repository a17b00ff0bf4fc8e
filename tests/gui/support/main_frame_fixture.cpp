#include "support/main_frame_fixture.h"

#include "common/text.h"
#include "support/gui_test.h"
#include "ui/app/DezadideApp.h"
#include "ui/app/DezadideDoc.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/toplevel.h>

#include <cstdlib>

namespace dz::test {

void SetDrives(const std::vector<std::u16string>& drives) {
    std::string list;
    for (const std::u16string& drive : drives) {
        if (!list.empty())
            list += ':';
        list += ToUtf8(drive);
    }
    setenv("DEZADIDE_DRIVES", list.c_str(), 1);
}

MainFrameFixture::MainFrameFixture(const std::vector<std::u16string>& drives, wxSize clientSize,
                                   const wxString& document, const wxString& settingsFile)
    : m_manager(std::make_unique<CDocManager>()) {
    if (const char* old = std::getenv("DEZADIDE_DRIVES")) {
        m_hadDrives = true;
        m_savedDrives = old;
    }
    SetDrives(drives);
    m_frame = StartMainWindow(*m_manager, document, clientSize, settingsFile);
    if (m_frame)
        PumpEvents();
}

MainFrameFixture::~MainFrameFixture() {
    Close();
    m_manager.reset();
    if (m_hadDrives)
        setenv("DEZADIDE_DRIVES", m_savedDrives.c_str(), 1);
    else
        unsetenv("DEZADIDE_DRIVES");
}

void MainFrameFixture::Close() {
    if (!m_frame)
        return;
    m_frame->Destroy();
    m_frame = nullptr;
    PumpUntil([] { return wxTopLevelWindows.empty(); });
}

CFolderView& MainFrameFixture::folderView(int row) const {
    return *m_frame->Row(row).folderView;
}
CFolderTreeCtrl& MainFrameFixture::tree(int row) const {
    return folderView(row).m_wndTree;
}
CFileView& MainFrameFixture::fileView(int row) const {
    return *m_frame->Row(row).fileView;
}

bool MainFrameFixture::Select(int row, const std::u16string& path) {
    if (!tree(row).SelectPath(path))
        return false;
    // The list is filled from a posted message: let it arrive.
    PumpEvents();
    PumpEvents();
    return true;
}

} // namespace dz::test
