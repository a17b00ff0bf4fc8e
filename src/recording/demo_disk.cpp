#include "recording/demo_disk.h"

#include "common/text.h"
#include "platform/folder_path.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/location_text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace dz {

namespace {

using dz::platform::File;
using dz::platform::JoinPath;

constexpr size_t kTsPacketSize = 188;
// Part 1 keeps filler between its header and its stream, as the recorder's
// own files do; the other parts start right after the header.
constexpr uint16_t kFirstPartStreamOffset = 436;
constexpr size_t kPartHeaderVersionOffset = 6;

struct DemoRecording {
    const char* folder; // below the disk's root, "/"-separated; "" for the root
    const char* name;
    const char* dateStamp;
    int32_t suffixNumber;
    const char* clip;
    int parts;
};

constexpr DemoRecording kRecordings[] = {
    {"REC", "NEWS", "200612241930", 0, "av_mp2.ts", 3},
    {"REC", "FILM", "200701051815", 0, "av_ac3.ts", 2},
    {"REC", "RADIO", "200703110700", 0, "audio_mp2.ts", 1},
    // Two recordings of one name and time: the recorder tells them apart by a suffix.
    {"REC/KIDS", "CARTOON", "200702031600", 0, "av_mp2.ts", 1},
    {"REC/KIDS", "CARTOON", "200702031600", 1, "av_ac3.ts", 2},
};

// Plain files: a copy of a clip, or a short text when clip is null.
struct DemoFile {
    const char* folder;
    const char* name;
    const char* clip;
};

constexpr DemoFile kFiles[] = {
    {"MP3", "Morning Tone.mp3", "mp3_32k_128.mp3"},
    {"MP3", "JINGLE.MP3", "mp3_32k_128.mp3"},
    {"MP3/Old", "tone 2006.mp3", "mp3_32k_128.mp3"},
    {"MEM", "timer.mem", nullptr},
    {"MEM", "CHANNELS.MEM", nullptr},
    {"", "readme.mem", nullptr},
};

// Empty folders, so every command has somewhere to go.
constexpr const char* kFolders[] = {"REC/ARCHIVE", "MEM/Empty"};

// The folders of the tables are written "/"-separated; each piece is
// joined with the system's own separator.
std::vector<std::u16string> Pieces(const char* folder) {
    std::vector<std::u16string> pieces;
    const std::u16string relative = Ascii(folder);
    for (size_t start = 0; start < relative.size();) {
        size_t end = relative.find(u'/', start);
        if (end == std::u16string::npos)
            end = relative.size();
        pieces.push_back(relative.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

std::u16string Below(const std::u16string& disk, const char* folder) {
    std::u16string path = disk;
    for (const std::u16string& piece : Pieces(folder))
        path = JoinPath(path, piece);
    return path;
}

bool ReadWhole(const std::u16string& path, std::vector<uint8_t>& bytes) {
    File file = File::OpenRead(path);
    const int64_t size = file.IsOpen() ? file.Size() : -1;
    if (size < 0)
        return false;
    bytes.resize(static_cast<size_t>(size));
    return file.Read(bytes.data(), bytes.size()) == size;
}

bool WriteWhole(const std::u16string& path, const uint8_t* data, size_t size) {
    File file = File::CreateWrite(path);
    return file.IsOpen() && file.Write(data, size);
}

// Every folder of a path below the disk, outermost first.
bool MakeFolders(const std::u16string& disk, const char* folder) {
    std::u16string path = disk;
    for (const std::u16string& piece : Pieces(folder)) {
        path = JoinPath(path, piece);
        if (!dz::platform::FolderExists(path) && !dz::platform::MakeFolder(path))
            return false;
    }
    return true;
}

void PutBigEndian(uint8_t* field, uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i)
        field[i] = static_cast<uint8_t>(value >> (8 * (size - 1 - i)));
}

// The clip's packets cut into parts at packet boundaries, the way the
// recorder splits a long recording, each behind its part header; then the
// companion with the part count, the total size and the location.
int WriteRecording(const std::u16string& disk, const DemoRecording& r,
                   const std::vector<uint8_t>& clip) {
    const CRecordingName names;
    const std::u16string folder = Below(disk, r.folder);
    const std::u16string name = Ascii(r.name), stamp = Ascii(r.dateStamp);
    const std::u16string location = names.MakeCompanionPath(RecorderFolderText(Ascii(r.folder)),
                                                            name, 1, stamp, r.suffixNumber);
    const size_t packets = clip.size() / kTsPacketSize;
    const size_t perPart = packets / static_cast<size_t>(r.parts);
    uint64_t total = 0;
    for (int k = 1; k <= r.parts; ++k) {
        const size_t first = static_cast<size_t>(k - 1) * perPart;
        const size_t count = k == r.parts ? packets - first : perPart;
        const uint16_t offset = k == 1 ? kFirstPartStreamOffset : kPartHeaderSize;
        std::vector<uint8_t> part(offset, 0);
        PutBigEndian(&part[kPartHeaderVersionOffset], 1, 2);
        PutBigEndian(&part[kPartStreamOffsetOffset], offset, 2);
        WriteLocationField(&part[kPartLocationOffset], location);
        part.insert(part.end(), clip.begin() + first * kTsPacketSize,
                    clip.begin() + (first + count) * kTsPacketSize);
        const std::u16string path =
            names.MakePartPath(dz::platform::WithSeparator(folder), name, k, stamp, r.suffixNumber);
        if (!WriteWhole(path, part.data(), part.size()))
            return -1;
        total += part.size();
    }
    std::vector<uint8_t> head(kCompanionHeadSize, 0);
    WriteLocationField(&head[kCompanionLocationOffset], location);
    PutBigEndian(&head[kCompanionPartCountOffset], static_cast<uint64_t>(r.parts), 2);
    PutBigEndian(&head[kCompanionTotalSizeOffset], total, 8);
    const std::u16string companion = names.MakeCompanionPath(dz::platform::WithSeparator(folder),
                                                             name, 1, stamp, r.suffixNumber);
    return WriteWhole(companion, head.data(), head.size()) ? 0 : -1;
}

int WritePlainFile(const std::u16string& disk, const DemoFile& f,
                   const std::u16string& clipsFolder) {
    const std::u16string path = JoinPath(Below(disk, f.folder), Ascii(f.name));
    std::vector<uint8_t> bytes;
    if (f.clip) {
        if (!ReadWhole(JoinPath(clipsFolder, Ascii(f.clip)), bytes))
            return -1;
    } else {
        const std::string text = std::string("Dezadide sample file ") + f.name + "\n";
        bytes.assign(text.begin(), text.end());
    }
    return WriteWhole(path, bytes.data(), bytes.size()) ? 0 : -1;
}

} // namespace

int MakeDemoDisk(const std::u16string& clipsFolder, const std::u16string& disk) {
    for (const DemoRecording& r : kRecordings)
        if (!MakeFolders(disk, r.folder))
            return -1;
    for (const DemoFile& f : kFiles)
        if (*f.folder && !MakeFolders(disk, f.folder))
            return -1;
    for (const char* folder : kFolders)
        if (!MakeFolders(disk, folder))
            return -1;

    for (const DemoRecording& r : kRecordings) {
        std::vector<uint8_t> clip;
        if (!ReadWhole(JoinPath(clipsFolder, Ascii(r.clip)), clip) ||
            clip.size() < kTsPacketSize * static_cast<size_t>(r.parts))
            return -1;
        if (WriteRecording(disk, r, clip) != 0)
            return -1;
    }
    for (const DemoFile& f : kFiles)
        if (WritePlainFile(disk, f, clipsFolder) != 0)
            return -1;
    return 0;
}

CDemoDisk::~CDemoDisk() {
    Remove();
}

void CDemoDisk::Remove() {
    if (!m_strRoot.empty())
        dz::platform::RemoveTree(m_strRoot);
    m_strRoot.clear();
    m_strDisk.clear();
    m_strBackup.clear();
}

bool CDemoDisk::Create(const std::u16string& clipsFolder) {
    Remove();
    const std::optional<std::u16string> temp = dz::platform::TemporaryFolder();
    if (!temp)
        return false;
    // A fresh name, never a folder that already exists: it is removed whole
    // at the end. Short, so the trees show the two drives' own names
    // ("recorder", "backup") at the end of their roots.
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 64 && m_strRoot.empty(); ++attempt) {
        std::string name = "dz-demo-";
        for (int i = 0; i < 4; ++i)
            name += "0123456789abcdefghijklmnopqrstuvwxyz"[random() % 36];
        const std::u16string root = JoinPath(*temp, Ascii(name.c_str()));
        if (dz::platform::MakeFolder(root))
            m_strRoot = root;
    }
    if (m_strRoot.empty())
        return false;
    m_strDisk = JoinPath(m_strRoot, u"recorder");
    m_strBackup = JoinPath(m_strRoot, u"backup");
    if (!dz::platform::MakeFolder(m_strDisk) || !dz::platform::MakeFolder(m_strBackup) ||
        MakeDemoDisk(clipsFolder, m_strDisk) != 0) {
        Remove();
        return false;
    }
    return true;
}

} // namespace dz
