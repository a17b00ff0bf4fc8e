#include "recording/RecordingName.h"

#include "common/text.h"
#include "platform/folder_path.h"
#include "platform/platform.h"

#include <cstdio>

namespace dz {

namespace {

constexpr std::u16string_view kNameSeparator = u"_#";
constexpr size_t kPartDigits = 3;
constexpr size_t kStampLength = 12;
constexpr size_t kMaxFolderLength = 60;
constexpr size_t kMaxRecordingNameLength = 32;

// Position of the first "_#", or npos when there is none or it opens the name:
// a recording always has a name in front of its separator.
size_t UsableSeparator(std::u16string_view name) {
    const size_t k = name.find(kNameSeparator);
    return k == 0 ? std::u16string_view::npos : k;
}

int32_t NumberAt(std::u16string_view s, size_t pos, size_t count) {
    if (pos >= s.size())
        return 0;
    return dz::LenientInt(s.substr(pos, count));
}

std::u16string Format(const char* format, auto... values) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, values...);
    return dz::Ascii(buf);
}

// NAME_#PPP_STAMP[_SSS]EXT from the pieces; the prefix is kept exactly as
// split, whatever separator it ends in.
std::u16string BuildPath(const std::u16string& prefix, const std::u16string& recordingName,
                         int32_t partNumber, const std::u16string& dateStamp, int32_t suffixNumber,
                         std::u16string_view extension) {
    std::u16string path = prefix + recordingName;
    path += kNameSeparator;
    path += Format("%03d", partNumber);
    path += u'_';
    path += dateStamp;
    if (suffixNumber != 0) {
        path += u'_';
        path += Format("%03d", suffixNumber);
    }
    path += extension;
    return path;
}

} // namespace

namespace {

size_t NameStartOf(const std::u16string& path, size_t drive) {
    const size_t lastSeparator = path.find_last_of(u"/\\");
    return lastSeparator == std::u16string::npos || lastSeparator < drive ? drive
                                                                          : lastSeparator + 1;
}

size_t DriveOf(const std::u16string& path) {
    return path.size() >= 2 && path[1] == u':' ? 2 : 0;
}

} // namespace

int CRecordingName::SplitPath(const std::u16string& path, RecordingNameParts& parts) const {
    const size_t drive = DriveOf(path);
    return SplitPath(path, parts, NameStartOf(path, drive) - drive, true);
}

int CRecordingName::SplitPath(const std::u16string& path, RecordingNameParts& parts,
                              size_t folderLength, bool boundName) const {
    parts = RecordingNameParts{};
    const size_t nameStart = NameStartOf(path, DriveOf(path));
    // Longer folders would not leave the recorder's location field room for
    // the whole companion path.
    if (folderLength != std::u16string::npos && folderLength > kMaxFolderLength)
        return -1;
    const std::u16string fileName = path.substr(nameStart);
    std::u16string recordingName = GetRecordingName(fileName);
    if (boundName && recordingName.size() > kMaxRecordingNameLength)
        return -1;
    const RecordingDate d = ParseDateStamp(fileName);
    parts.prefix = path.substr(0, nameStart);
    parts.recordingName = std::move(recordingName);
    parts.dateStamp = Format("%04d%02d%02d%02d%02d", d.year, d.month, d.day, d.hour, d.minute);
    parts.partNumber = GetPartNumber(fileName);
    parts.suffixNumber = GetSuffixNumber(fileName);
    return 0;
}

std::u16string CRecordingName::MakePartPath(const std::u16string& prefix,
                                            const std::u16string& recordingName, int32_t partNumber,
                                            const std::u16string& dateStamp,
                                            int32_t suffixNumber) const {
    return BuildPath(prefix, recordingName, partNumber, dateStamp, suffixNumber, u".AVR");
}

std::u16string CRecordingName::MakeCompanionPath(const std::u16string& prefix,
                                                 const std::u16string& recordingName,
                                                 int32_t partNumber,
                                                 const std::u16string& dateStamp,
                                                 int32_t suffixNumber) const {
    return BuildPath(prefix, recordingName, partNumber, dateStamp, suffixNumber, u".AVF");
}

std::u16string CRecordingName::GetRecordingName(const std::u16string& name) const {
    const size_t k = UsableSeparator(name);
    return k == std::u16string::npos ? std::u16string() : name.substr(0, k);
}

int32_t CRecordingName::GetPartNumber(const std::u16string& name) const {
    const size_t k = UsableSeparator(name);
    return k == std::u16string::npos ? 0 : NumberAt(name, k + kNameSeparator.size(), kPartDigits);
}

bool CRecordingName::IsFirstPart(const std::u16string& name) const {
    return GetPartNumber(name) == 1;
}

RecordingDate CRecordingName::ParseDateStamp(const std::u16string& name) const {
    RecordingDate d;
    const size_t k = UsableSeparator(name);
    if (k == std::u16string::npos)
        return d;
    // "_#", three part digits, one separator character, then the stamp.
    const size_t start = k + kNameSeparator.size() + kPartDigits + 1;
    if (start > name.size() || name.size() - start < kStampLength)
        return d;
    const std::u16string_view stamp = std::u16string_view(name).substr(start, kStampLength);
    d.year = NumberAt(stamp, 0, 4);
    d.month = NumberAt(stamp, 4, 2);
    d.day = NumberAt(stamp, 6, 2);
    d.hour = NumberAt(stamp, 8, 2);
    d.minute = NumberAt(stamp, 10, 2);
    return d;
}

int32_t CRecordingName::GetSuffixNumber(const std::u16string& name) const {
    // Counted from the end, for a four-character extension such as ".AVR".
    const size_t length = name.size();
    if (length < 8 || UsableSeparator(name) == std::u16string::npos)
        return 0;
    if (name[length - 8] != u'_')
        return 0;
    return NumberAt(name, length - 7, 3);
}

void CRecordingName::CopyLowBytes(uint8_t* field, const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i)
        field[i] = static_cast<uint8_t>(text[i] & 0xFF);
    field[text.size()] = 0;
}

void CRecordingName::MakeSiblingPartPath(std::u16string& output, const std::u16string& path,
                                         int32_t n) const {
    RecordingNameParts parts;
    if (SplitPath(path, parts) != 0)
        return;
    output =
        MakePartPath(parts.prefix, parts.recordingName, n, parts.dateStamp, parts.suffixNumber);
}

int SplitRecordingPath(const std::u16string& path, RecordingNameParts& parts) {
    const std::u16string folder = dz::platform::FolderOf(path);
    // The folder as the recorder would write it: its own separator at both ends.
    const size_t folderLength = dz::platform::FolderBelowDriveRoot(folder).size() + 1;
    return CRecordingName().SplitPath(path, parts, folderLength, true);
}

int SplitSiblingNames(const std::u16string& path, RecordingNameParts& parts) {
    const CRecordingName names;
    if (names.SplitPath(path, parts, std::u16string::npos, false) != 0)
        return -1;
    return parts.recordingName.empty() ? -1 : 0;
}

std::u16string CompanionPathOf(const std::u16string& partPath) {
    const std::u16string_view extension = dz::ExtensionOf(partPath);
    if (!dz::EqualNoCaseAZ(extension, u".avr"))
        return {};
    return partPath.substr(0, partPath.size() - extension.size()) + u".AVF";
}

uint64_t ReadBigEndian(const uint8_t* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

CompanionRead ReadCompanionAt(const std::u16string& companionPath) {
    CompanionRead read;
    read.path = companionPath;
    dz::platform::File file = dz::platform::File::OpenRead(companionPath);
    if (!file.IsOpen()) {
        read.status = dz::platform::PathExists(companionPath) ? CompanionStatus::Unreadable
                                                              : CompanionStatus::Missing;
        return read;
    }
    const int64_t got = file.Read(read.head.data(), read.head.size());
    if (got < 0) {
        read.status = CompanionStatus::Unreadable;
        return read;
    }
    if (got != static_cast<int64_t>(read.head.size())) {
        read.status = CompanionStatus::Short;
        return read;
    }
    read.status = CompanionStatus::Ok;
    read.partCount =
        static_cast<uint16_t>(ReadBigEndian(read.head.data() + kCompanionPartCountOffset, 2));
    read.totalSize =
        static_cast<int64_t>(ReadBigEndian(read.head.data() + kCompanionTotalSizeOffset, 8));
    read.location = LocationTextOf(read.head.data() + kCompanionLocationOffset);
    return read;
}

CompanionRead ReadCompanionOf(const std::u16string& partPath) {
    const std::u16string companion = CompanionPathOf(partPath);
    if (companion.empty())
        return {};
    return ReadCompanionAt(dz::platform::ResolveCase(companion));
}

std::u16string LocationTextOf(const uint8_t* field) {
    std::u16string text;
    for (size_t i = 0; i < kLocationFieldSize && field[i] != 0; ++i)
        text += static_cast<char16_t>(field[i]);
    return text;
}

} // namespace dz
