#pragma once
// What the integrity tests hold every run to: a recording is whole in one
// place. These helpers make recordings from the committed fixtures, say in
// which state a recording is found in a folder, and check that the list the
// user sees (dezadide-cli ls) shows only what is really there.
#include "support/child_process.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace dz::test {

// A recording's files as they were made, to compare against later.
struct RecordingSet {
    std::string name;      // "NEWS"
    std::string companion; // "NEWS_#001_200612241930.AVF"
    std::vector<std::string> parts;
    std::map<std::string, std::vector<uint8_t>> bytes; // every file by name
    uint64_t totalSize = 0;                            // from the companion

    const std::string& firstPart() const { return parts.front(); }
    std::vector<std::string> files() const; // companion, then the parts
};

// The recording whose part 1 is `firstPart` in `folder`, read as it is now.
RecordingSet CaptureRecording(const std::filesystem::path& folder, const std::string& firstPart);
// A committed fixture recording (tests/fixtures/rec/<name>) copied into folder.
RecordingSet PlaceFixture(const std::string& fixture, const std::filesystem::path& folder);

enum class Presence { kComplete, kAbsent, kFragment };
const char* PresenceName(Presence p);
inline void PrintTo(Presence p, std::ostream* os) {
    *os << PresenceName(p);
}

struct RecordingState {
    Presence presence = Presence::kAbsent;
    bool original = false; // complete, and every byte as made, location fields included
    std::string detail;    // for a fragment: which file is missing or wrong
};

// Complete: the companion and every part are regular files holding the bytes
// they were made with, except the location fields a copy rewrites; with
// `location` given, those fields must hold exactly that text. Absent: none of
// the recording's names exists. Anything between is a fragment.
RecordingState StateOf(const std::filesystem::path& folder, const RecordingSet& r,
                       const std::string& location = "");

// The location text a copy writes: "C:\" + the folder below its drive root,
// backslash-separated, + the companion name. below is e.g. "REC/2006".
std::string LocationText(const std::string& below, const RecordingSet& r);

std::string CliPath();
std::string ShimPath();
// dezadide-cli with these arguments and environment changes.
ProcessResult Cli(const std::vector<std::string>& args, const EnvChanges& env = {});

// A recording that may show in a folder's list, with the location text its
// fields must hold there ("" when they are not looked at).
struct MayList {
    const RecordingSet* recording;
    std::string location;
};

// The rows `dezadide-cli ls` shows that it should not: a recording listed
// at a size other than 0 whose files are not all there and right, a whole
// recording listed at a size other than the companion's, or any row that is
// neither one of `recordings` nor one of `plainFiles` (a temporary file, for
// one). One text per problem; empty when the list is honest.
std::vector<std::string> DishonestRows(const std::filesystem::path& folder,
                                       const std::vector<MayList>& recordings,
                                       const std::vector<std::string>& plainFiles);

// The names in a folder, for messages.
std::string FolderContents(const std::filesystem::path& folder);

} // namespace dz::test
