#pragma once
// The recorder's file-name scheme and the companion-file reads that walk a
// recording's part set. NAME_#PPP_YYYYMMDDhhmm[_SSS].AVR for part PPP, the
// companion .AVF named after part 1.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace dz {

inline constexpr size_t kCompanionHeadSize = 8008;
inline constexpr size_t kCompanionLocationOffset = 806;
inline constexpr size_t kCompanionPartCountOffset = 1740;
inline constexpr size_t kCompanionTotalSizeOffset = 1744;
inline constexpr size_t kPartHeaderSize = 134;
inline constexpr size_t kPartStreamOffsetOffset = 8;
inline constexpr size_t kPartLocationOffset = 10;
inline constexpr size_t kLocationFieldSize = 123;

struct RecordingNameParts {
    std::u16string prefix;        // folder with its trailing separator
    std::u16string recordingName; // text before the first "_#"
    int32_t partNumber = 0;
    std::u16string dateStamp; // 12 digits YYYYMMDDhhmm
    int32_t suffixNumber = 0; // 0 = no suffix
};

struct RecordingDate {
    int year = 2005, month = 1, day = 1, hour = 0, minute = 0;
};

class CRecordingName {
public:
    virtual ~CRecordingName() = default;

    // 0 and the pieces, or -1 for a path outside the scheme's bounds.
    int SplitPath(const std::u16string& path, RecordingNameParts& parts) const;
    // The same with the folder's length given instead of counted from the
    // path (npos: no folder bound), and the recording name bounded or not.
    int SplitPath(const std::u16string& path, RecordingNameParts& parts, size_t folderLength,
                  bool boundName) const;
    std::u16string MakePartPath(const std::u16string& prefix, const std::u16string& recordingName,
                                int32_t partNumber, const std::u16string& dateStamp,
                                int32_t suffixNumber) const;
    std::u16string MakeCompanionPath(const std::u16string& prefix,
                                     const std::u16string& recordingName, int32_t partNumber,
                                     const std::u16string& dateStamp, int32_t suffixNumber) const;

    std::u16string GetRecordingName(const std::u16string& name) const;
    int32_t GetPartNumber(const std::u16string& name) const;
    bool IsFirstPart(const std::u16string& name) const;
    RecordingDate ParseDateStamp(const std::u16string& name) const;
    int32_t GetSuffixNumber(const std::u16string& name) const;
    // The low 8 bits of every unit, terminating zero included; the caller
    // clears the field and guarantees the room.
    static void CopyLowBytes(uint8_t* field, const std::u16string& text);

    // output = path of part n of the same recording; unchanged if it cannot split.
    void MakeSiblingPartPath(std::u16string& output, const std::u16string& path, int32_t n) const;
};

// SplitPath for a file on disk. The folder rule counts the folders below the
// drive root that holds the file (a mount point such as /media/user/DISK, or
// a DEZADIDE_DRIVES entry), as the recorder counts them below its own drive:
// the location text it protects starts there too.
int SplitRecordingPath(const std::u16string& path, RecordingNameParts& parts);
// The pieces of a part path for naming the recording's other files, to read
// or delete them: no bound on the folder or the recording name, which exist
// only for the location text a copy writes. -1 when the name has no usable
// "_#" separator.
int SplitSiblingNames(const std::u16string& path, RecordingNameParts& parts);

// The companion head as read from disk.
using CompanionHead = std::array<uint8_t, kCompanionHeadSize>;

// An unsigned big-endian field of n bytes (at most 8).
uint64_t ReadBigEndian(const uint8_t* p, size_t n);

// Drive, folder and base name of a part path + ".AVF"; empty when the part
// path's extension is not ".avr". Only part 1 leads to an existing companion.
std::u16string CompanionPathOf(const std::u16string& partPath);

enum class CompanionStatus {
    Ok,
    Missing,    // no file by that name (or no companion name at all)
    Short,      // fewer bytes than the head
    Unreadable, // there, but it cannot be opened or read
};

// One look at a companion: one open and one read, so that nothing decided
// from it can disagree with a second look.
struct CompanionRead {
    CompanionStatus status = CompanionStatus::Missing;
    std::u16string path;  // the file read; empty when the part path names no companion
    CompanionHead head{}; // whole only when Ok
    // The fields this system uses; set only when Ok.
    uint16_t partCount = 0;
    int64_t totalSize = 0;
    std::u16string location;

    bool Ok() const { return status == CompanionStatus::Ok; }
};

// The companion at exactly this path.
CompanionRead ReadCompanionAt(const std::u16string& companionPath);
// The companion of a part path, found under another case of A-Z too on a
// case-sensitive disk.
CompanionRead ReadCompanionOf(const std::u16string& partPath);
// The text of a 123-byte location field: its bytes up to the first zero,
// each taken as one character (the recorder writes one byte per character).
std::u16string LocationTextOf(const uint8_t* field);

} // namespace dz
