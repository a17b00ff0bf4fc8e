#pragma once
// Renaming an entry in its folder: a recording (every part and its
// companion, their location texts naming the new companion), a .mp3/.mem
// file, or a folder. Checked first, touching nothing, then run.
//
// A recording is renamed without a journal, in an order a second run
// recognises: the new companion is staged (a flushed copy with the new
// location text) while the old one stays; the parts are renamed from the
// last to part 1, each patched with the new location text and flushed; then
// the new companion is put in place and the old one removed. Cut short at
// any step, the old companion still counts the parts and every part lies
// under exactly one of the two names, so running the same rename again
// finishes it, and the folder check names it.
#include <cstdint>
#include <optional>
#include <string>

namespace dz {

enum class RenameKind { kRecording, kPlainFile, kFolder };

struct PreparedRename {
    enum class Status { kReady, kSame, kRefused };
    Status status = Status::kRefused;
    std::u16string refusal; // kRefused: why, in the system's words
    RenameKind kind = RenameKind::kPlainFile;
    std::u16string folder;
    std::u16string oldName; // as given: a recording's part-1 .AVR name, a file or folder name
    std::u16string newName; // the new file or folder name; a recording's new part-1 name
    // A recording: its new name, the location text its files get, and how
    // many parts it has (its companion's count, else the parts on disk).
    std::u16string newRecordingName;
    std::u16string location;
    int32_t parts = 0;
    // An earlier run of this rename was cut short; this one finishes it.
    bool finishesEarlier = false;
};

// OLD is an entry name as the list gives it; NEW is the new file or folder
// name, for a recording the recording name as the list shows it.
PreparedRename PrepareRename(const std::u16string& folder, const std::u16string& oldName,
                             const std::u16string& newName);

struct RenameOutcome {
    bool done = false;
    std::u16string message; // the failure, when not done
};
RenameOutcome RunRename(const PreparedRename& job);

// Why a text cannot be a recording name; nothing when it can.
std::optional<std::u16string> RecordingNameRefusal(const std::u16string& name);

} // namespace dz
