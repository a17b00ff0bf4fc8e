#pragma once
// The temporary .mpg that Play converts a recording into before the desktop's
// player opens it. Each program run names its files after its process id, so
// that it removes its own when it ends and, at the next start, those of runs
// that ended without doing so — never those of a run that still plays one.
#include <string>
#include <vector>

namespace dz::convert {

// cacheFolder/play-<pid>-<n>-<recording name>.mpg
std::u16string PlayFilePath(const std::u16string& cacheFolder, int processId, int number,
                            const std::u16string& recordingName);
// The process id a play file's name carries; 0 for any other name.
int PlayFileOwner(const std::u16string& fileName);
// Removes the play files of cacheFolder whose owner is ownerId (when
// ownerId > 0), or, with ownerId 0, those whose owner no longer runs.
// Gives the names removed.
std::vector<std::u16string> RemovePlayFiles(const std::u16string& cacheFolder, int ownerId);

} // namespace dz::convert
