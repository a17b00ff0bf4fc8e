#pragma once
// A real main frame for window tests: the drives its trees list are the
// folders the test names (DEZADIDE_DRIVES, kept set while the frame lives),
// its client area is split from the size the test gives; with a settings
// file it starts as the program does, the remembered layout applied first.
#include <wx/gdicmn.h>
#include <wx/string.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class CDocManager;
class CFileView;
class CFolderTreeCtrl;
class CFolderView;
class CMainFrame;

namespace dz::test {

class MainFrameFixture {
public:
    explicit MainFrameFixture(const std::vector<std::u16string>& drives,
                              wxSize clientSize = wxSize(900, 600),
                              const wxString& document = wxString(),
                              const wxString& settingsFile = wxString());
    ~MainFrameFixture();
    MainFrameFixture(const MainFrameFixture&) = delete;
    MainFrameFixture& operator=(const MainFrameFixture&) = delete;

    CMainFrame* frame() const { return m_frame; }
    CFolderView& folderView(int row) const;
    CFolderTreeCtrl& tree(int row) const;
    CFileView& fileView(int row) const;

    // Selects path in the row's tree and waits until the posted message has
    // refreshed the row's list.
    bool Select(int row, const std::u16string& path);
    // Destroys the frame now and waits until it is gone.
    void Close();

private:
    std::unique_ptr<CDocManager> m_manager;
    CMainFrame* m_frame = nullptr;
    std::string m_savedDrives;
    bool m_hadDrives = false;
};

// A folder as the core's text.
inline std::u16string U(const std::filesystem::path& p) {
    return p.u16string();
}

// Sets DEZADIDE_DRIVES to the folders, ":"-separated.
void SetDrives(const std::vector<std::u16string>& drives);

} // namespace dz::test
