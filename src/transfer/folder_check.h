#pragma once
// Checking a folder's recordings for what keeps the recorder from playing
// them, and mending what can be mended without losing anything: a location
// text that names another place, a dead job's temporary, a rename cut short.
// Everything else is only reported.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dz {

enum class Problem {
    kLocationElsewhere,   // the location text does not name where the recording is
    kPartMissing,         // a part the companion counts is not there
    kStrayBeyondCount,    // a part beyond the companion's count
    kStrayNoCompanion,    // a part of a recording that has no companion
    kNoFirstPart,         // a companion whose part 1 is not there
    kCompanionShort,      // a companion shorter than its head
    kCompanionUnreadable, // a companion that is there but cannot be read
    kTotalSize,           // the companion's total size disagrees with the parts
    kStreamOffsetPastEnd, // a part header's stream offset lies past the part's end
    kNotTransportStream,  // the stream at the offset does not start with a sync byte
    kDeadTemporary,       // a temporary of a job that no longer runs
    kRenameCutShort,      // a rename of the recording stopped half-way
    kUnreadableFolder,    // the folder cannot be read
};

enum class Mend { kNone, kRewriteLocation, kRemoveTemporary, kFinishRename };

struct Finding {
    std::u16string folder; // the folder that holds the file
    std::u16string name;   // the file concerned (or empty for the folder itself)
    Problem problem = Problem::kUnreadableFolder;
    std::u16string text; // the problem in the system's words
    Mend mend = Mend::kNone;
    // kRewriteLocation: the text to write, and whether the file is a companion.
    std::u16string location;
    bool companion = false;
    // kFinishRename: the recording's part-1 name and its new recording name.
    std::u16string oldPart1, newRecordingName;
};

// One finding per problem, in folder order; with `recursive` the folders
// inside too, each after the files of its parent.
std::vector<Finding> CheckFolder(const std::u16string& folder, bool recursive);

// Does what a finding's mend says, after making sure the problem is still
// there. True when it was done (or there was nothing left to do).
bool MendFinding(const Finding& finding);

// What mending does for a finding, in the system's words.
std::u16string MendText(Mend mend);

// The line above the findings: that the folder is whole, or how many
// findings it holds ("1 finding in …", "2 findings in …").
std::u16string CheckSummaryText(size_t findings, const std::u16string& folder);

} // namespace dz
