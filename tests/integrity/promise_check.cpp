#include "integrity/promise_check.h"

#include "common/list_text.h"
#include "common/text.h"
#include "recording/RecordingName.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace dz::test {
namespace fs = std::filesystem;

namespace {

uint64_t BigEndian(const std::vector<uint8_t>& b, size_t offset, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n && offset + i < b.size(); ++i)
        v = (v << 8) | b[offset + i];
    return v;
}

std::string PartFileName(const std::string& firstPart, int p) {
    // NAME_#001_STAMP[_SSS].AVR: the three digits after the last "_#".
    std::string name = firstPart;
    const size_t mark = name.rfind("_#");
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", p);
    name.replace(mark + 2, 3, digits);
    return name;
}

// A file as it must be found: the bytes it was made with, the location field
// excepted, which must hold `location` when that is given.
bool SameExceptLocation(std::vector<uint8_t> found, std::vector<uint8_t> made, size_t headerSize,
                        size_t offset, const std::string& location, std::string& why) {
    if (found.size() != made.size()) {
        why = std::to_string(found.size()) + " bytes instead of " + std::to_string(made.size());
        return false;
    }
    if (found.size() >= headerSize) {
        if (!location.empty()) {
            std::vector<uint8_t> field(kLocationFieldSize, 0);
            std::memcpy(field.data(), location.data(),
                        std::min(location.size(), kLocationFieldSize - 1));
            if (!std::equal(field.begin(), field.end(), found.begin() + offset)) {
                why = "location field is not \"" + location + "\"";
                return false;
            }
        }
        std::fill_n(found.begin() + offset, kLocationFieldSize, 0);
        std::fill_n(made.begin() + offset, kLocationFieldSize, 0);
    }
    if (found != made) {
        const auto at = std::mismatch(found.begin(), found.end(), made.begin()).first;
        why = "bytes differ from offset " + std::to_string(at - found.begin());
        return false;
    }
    return true;
}

} // namespace

std::vector<std::string> RecordingSet::files() const {
    std::vector<std::string> all{companion};
    all.insert(all.end(), parts.begin(), parts.end());
    return all;
}

RecordingSet CaptureRecording(const fs::path& folder, const std::string& firstPart) {
    RecordingSet r;
    r.name = firstPart.substr(0, firstPart.rfind("_#"));
    r.companion = firstPart.substr(0, firstPart.size() - 4) + ".AVF";
    r.bytes[r.companion] = ReadFile(folder / r.companion);
    const std::vector<uint8_t>& head = r.bytes[r.companion];
    const uint64_t count = BigEndian(head, kCompanionPartCountOffset, 2);
    r.totalSize = BigEndian(head, kCompanionTotalSizeOffset, 8);
    for (int p = 1; p <= static_cast<int>(count); ++p) {
        r.parts.push_back(PartFileName(firstPart, p));
        r.bytes[r.parts.back()] = ReadFile(folder / r.parts.back());
    }
    return r;
}

RecordingSet PlaceFixture(const std::string& fixture, const fs::path& folder) {
    const fs::path from = fs::path(DEZADIDE_FIXTURES) / "rec" / fixture;
    std::string firstPart;
    for (const auto& e : fs::directory_iterator(from)) {
        const std::string name = e.path().filename().string();
        WriteFile(folder / name, ReadFile(e.path())); // FUSE FAT offers no kernel copy
        if (name.find("_#001_") != std::string::npos && name.ends_with(".AVR"))
            firstPart = name;
    }
    return CaptureRecording(folder, firstPart);
}

const char* PresenceName(Presence p) {
    switch (p) {
    case Presence::kComplete:
        return "complete";
    case Presence::kAbsent:
        return "absent";
    case Presence::kFragment:
        return "fragment";
    }
    return "?";
}

RecordingState StateOf(const fs::path& folder, const RecordingSet& r, const std::string& location) {
    RecordingState state;
    int present = 0;
    bool whole = true, original = true;
    for (const std::string& name : r.files()) {
        struct stat st;
        if (lstat((folder / name).c_str(), &st) != 0) {
            whole = false;
            if (state.detail.empty())
                state.detail = name + " is missing";
            continue;
        }
        ++present;
        if (!S_ISREG(st.st_mode)) {
            whole = false;
            state.detail = name + " is not a regular file";
            continue;
        }
        const std::vector<uint8_t> found = ReadFile(folder / name);
        const std::vector<uint8_t>& made = r.bytes.at(name);
        original = original && found == made;
        const bool companion = name == r.companion;
        std::string why;
        if (!SameExceptLocation(found, made, companion ? kCompanionHeadSize : kPartHeaderSize,
                                companion ? kCompanionLocationOffset : kPartLocationOffset,
                                location, why)) {
            whole = false;
            state.detail = name + ": " + why;
        }
    }
    if (present == 0) {
        state.presence = Presence::kAbsent;
        state.detail.clear();
    } else if (whole) {
        state.presence = Presence::kComplete;
        state.original = original;
        state.detail.clear();
    } else {
        state.presence = Presence::kFragment;
    }
    return state;
}

std::string LocationText(const std::string& below, const RecordingSet& r) {
    std::string text = "C:\\";
    for (char c : below)
        text += c == '/' ? '\\' : c;
    if (text.back() != '\\')
        text += '\\';
    return text + r.companion;
}

std::string CliPath() {
    return DEZADIDE_CLI_PATH;
}

std::string ShimPath() {
    return DEZADIDE_FAULT_SHIM;
}

ProcessResult Cli(const std::vector<std::string>& args, const EnvChanges& env) {
    std::vector<std::string> argv{CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, env);
}

std::vector<std::string> DishonestRows(const fs::path& folder,
                                       const std::vector<MayList>& recordings,
                                       const std::vector<std::string>& plainFiles) {
    std::vector<std::string> problems;
    const ProcessResult ls = Cli({"ls", folder.string()});
    if (!ls.exitedWith(0)) {
        problems.push_back("ls " + folder.string() + " failed: " + ls.describe());
        return problems;
    }
    std::istringstream lines(ls.out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> columns;
        std::istringstream fields(line);
        for (std::string c; std::getline(fields, c, '\t');)
            columns.push_back(c);
        if (columns.size() != 4) {
            problems.push_back("malformed row: " + line);
            continue;
        }
        const std::string& realName = columns[1];
        if (std::find(plainFiles.begin(), plainFiles.end(), realName) != plainFiles.end())
            continue;
        const auto r = std::find_if(recordings.begin(), recordings.end(), [&](const MayList& m) {
            return m.recording->firstPart() == realName;
        });
        if (r == recordings.end()) {
            problems.push_back("listed, but not one of the job's files: " + line);
            continue;
        }
        const RecordingState state = StateOf(folder, *r->recording, r->location);
        // A recording that is not whole may show, but only as such: at size 0.
        if (state.presence != Presence::kComplete && columns[2] != "0") {
            problems.push_back("listed as whole, but " + std::string(PresenceName(state.presence)) +
                               " (" + state.detail + "): " + line);
            continue;
        }
        if (state.presence != Presence::kComplete)
            continue;
        const std::string size =
            ToUtf8(SizeText(static_cast<int64_t>(r->recording->totalSize / 1024)));
        if (columns[2] != size)
            problems.push_back("listed at " + columns[2] + " KB instead of " + size + ": " + line);
    }
    return problems;
}

std::string FolderContents(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        names.insert(e.path().filename().string());
    std::string text;
    for (const std::string& n : names)
        text += (text.empty() ? "" : ", ") + n;
    return "[" + text + "]";
}

} // namespace dz::test
