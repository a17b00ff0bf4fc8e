#pragma once
// The commands of dezadide-cli, one function each over a plain options
// struct. main() only parses the command line into these structs; tests call
// the functions directly. Results go to out, messages to err; the return
// value is the exit status.
#include "common/SortStringArray.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dz::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

// ls FOLDER: the file list's rows, four tab-separated column texts per line.
struct LsOptions {
    std::u16string folder;
};
int RunLs(const LsOptions& options, std::ostream& out, std::ostream& err);

// rm FOLDER NAME...: the window's Delete on those entries; prints each
// removed path.
struct RmOptions {
    std::u16string folder;
    std::vector<std::u16string> names;
    bool recursive = false; // a folder that is not empty goes with what it holds
};
int RunRm(const RmOptions& options, std::ostream& out, std::ostream& err);

// rename FOLDER OLD NEW: a recording (OLD its part-1 .AVR name, NEW the
// recording name), a .mp3/.mem file or a folder; prints the new path (a
// recording's part 1).
struct RenameOptions {
    std::u16string folder;
    std::u16string oldName;
    std::u16string newName;
};
int RunRename(const RenameOptions& options, std::ostream& out, std::ostream& err);

// check [--fix] [--recursive] FOLDER: one line per problem found, tab-
// separated: the entry (relative to FOLDER), the problem, what mending does
// (or, with --fix, what was done). 0 when nothing is left to report.
struct CheckOptions {
    std::u16string folder;
    bool fix = false;
    bool recursive = false;
};
int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// mkdir PARENT NAME: the window's New Folder; prints the new folder's path.
struct MkdirOptions {
    std::u16string parent;
    std::u16string name;
};
int RunMkdir(const MkdirOptions& options, std::ostream& out, std::ostream& err);

// info PATH: a recording's pieces, companion fields and part files.
struct InfoOptions {
    std::u16string path;
};
int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err);

// cp / mv and convert are declared by their own command files.

// Shared by the commands: a text as the terminal shows it (UTF-8, control
// characters escaped so one line stays one line), a command-line argument as
// text, and a fixed message written to err on a line of its own.
std::string Shown(std::u16string_view text);
std::optional<std::u16string> ArgumentText(std::string_view argument);
void PrintMessage(std::ostream& err, std::u16string_view message);
// The entry names of rm, cp and mv, sorted as the window sorts them; false
// (and the offending name on err) for a name that is not a file of the folder.
bool SortedEntryNames(const std::vector<std::u16string>& given, CSortStringArray& names,
                      std::ostream& err);

} // namespace dz::cli
