#pragma once
// A sample recorder disk for trying the program without a recorder: a few
// recordings of one to three parts made from short transport-stream clips,
// some .mp3 and .mem files and subfolders, beside an empty backup folder.
#include <string>

namespace dz {

// The clips a sample disk is made from, looked for in one folder.
inline constexpr const char* kDemoClipNames[] = {"av_mp2.ts", "av_ac3.ts", "audio_mp2.ts",
                                                 "mp3_32k_128.mp3"};

// Fills disk (an existing folder) with the sample recordings and files made
// from the clips in clipsFolder. Each recording carries its location as the
// recorder would see it with disk as its drive. 0 on success; -1 when a clip
// cannot be read or a file cannot be written (what was made is left).
int MakeDemoDisk(const std::u16string& clipsFolder, const std::u16string& disk);

// A new temporary folder holding a sample disk ("recorder") and an empty
// backup folder ("backup"); the whole folder goes with the object.
class CDemoDisk {
public:
    CDemoDisk() = default;
    ~CDemoDisk();
    CDemoDisk(const CDemoDisk&) = delete;
    CDemoDisk& operator=(const CDemoDisk&) = delete;

    // False, with nothing left behind, when the folder or the sample disk
    // cannot be made.
    bool Create(const std::u16string& clipsFolder);
    // Removes the folders now; Create may be called again.
    void Remove();

    const std::u16string& Root() const { return m_strRoot; }
    const std::u16string& Disk() const { return m_strDisk; }
    const std::u16string& Backup() const { return m_strBackup; }

private:
    std::u16string m_strRoot, m_strDisk, m_strBackup;
};

} // namespace dz
