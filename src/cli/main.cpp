// dezadide-cli: the recording engine from a terminal. This file only parses
// the command line; every command is a function in cli/ over an options
// struct (commands.h), which the tests call directly.
#include "cli/cmd_convert.h"
#include "cli/cmd_transfer.h"
#include "cli/commands.h"
#include "dezadide_version.h"
#include "platform/console.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

using namespace dz::cli;

// Arguments arrive as UTF-8; a byte string that is not UTF-8 names nothing
// this system can show, so it is a usage error.
bool ToText(const std::string& argument, std::u16string& text) {
    std::optional<std::u16string> decoded = ArgumentText(argument);
    if (!decoded) {
        std::cerr << "dezadide-cli: an argument is not UTF-8 text\n";
        return false;
    }
    text = std::move(*decoded);
    return true;
}

bool ToTexts(const std::vector<std::string>& arguments, std::vector<std::u16string>& texts) {
    texts.clear();
    for (const std::string& a : arguments) {
        texts.emplace_back();
        if (!ToText(a, texts.back()))
            return false;
    }
    return true;
}

// Ctrl+C before a command has set up its own handling, or after it has
// done its work, is remembered here and reported, never the signal's silent
// end of the program.
void RememberInterrupt() {}

// What a Ctrl+C that no command acted on means for the exit status.
int AfterInterrupt(int status) {
    if (!dz::platform::InterruptReceived() || status != kExitOk)
        return status;
    std::cerr << "dezadide-cli: Ctrl+C came after the work was done; it is complete\n";
    return status;
}

int RunCommandLine(int argc, char** argv) {
    CLI::App app{"dezadide-cli: list, copy, move, delete and convert the recordings of a "
                 "set-top-box recorder"};
    app.require_subcommand(1, 1);
    // The same options on every system: on Windows "/x" is a path, not an option.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("dezadide-cli ") + kDezadideVersion,
                         "Print the version and exit");

    std::string lsFolder;
    CLI::App* ls = app.add_subcommand("ls", "List a folder as the file list shows it: one line "
                                            "per row, File Name, Real File Name, Size(KB) and "
                                            "Date separated by tabs");
    ls->add_option("FOLDER", lsFolder, "The folder to list")->required();

    std::string rmFolder;
    std::vector<std::string> rmNames;
    CLI::App* rm = app.add_subcommand("rm", "Delete entries as the Delete command does: a .mp3 or "
                                            ".mem file alone, a recording (its part-1 .AVR name) "
                                            "with every part and its companion");
    rm->add_option("FOLDER", rmFolder, "The folder that holds the entries")->required();
    rm->add_option("NAME", rmNames, "Entry names, or names of folders in FOLDER");
    bool rmRecursive = false;
    rm->add_flag("--recursive", rmRecursive,
                 "Delete a folder that is not empty with everything in it, each recording whole");

    std::string renameFolder, renameOld, renameNew;
    CLI::App* rename = app.add_subcommand(
        "rename", "Rename an entry: a recording (every part and its companion, the location text "
                  "naming the new companion), a .mp3 or .mem file, or a folder");
    rename->add_option("FOLDER", renameFolder, "The folder that holds the entry")->required();
    rename->add_option("OLD", renameOld, "A recording's part-1 .AVR name, a file or folder name")
        ->required();
    rename
        ->add_option("NEW", renameNew,
                     "The new name: for a recording the recording name as the list shows it")
        ->required();

    std::string checkFolder;
    bool checkFix = false, checkRecursive = false;
    CLI::App* check = app.add_subcommand(
        "check", "Check the recordings of a folder: one line per problem (entry, problem, what "
                 "--fix does); exit 0 when nothing is left to report, 1 when something is");
    check->add_option("FOLDER", checkFolder, "The folder to check")->required();
    check->add_flag("--fix", checkFix,
                    "Mend what loses nothing: location texts, temporaries of dead jobs, "
                    "renames cut short");
    check->add_flag("--recursive", checkRecursive, "Check the folders inside FOLDER too");

    std::string mkdirParent, mkdirName;
    CLI::App* mkdir = app.add_subcommand("mkdir", "Make a folder as the New Folder command does");
    mkdir->add_option("PARENT", mkdirParent, "The folder to make it in")->required();
    mkdir->add_option("NAME", mkdirName, "The new folder's name, used exactly as given")
        ->required();

    std::string infoPath;
    CLI::App* info = app.add_subcommand("info", "Show a recording's name pieces, companion "
                                                "fields, location texts and part files");
    info->add_option("PATH", infoPath, "Path of one of the recording's .AVR part files")
        ->required();

    // cp / mv: one copy or move job (cmd_transfer.cpp); only one of them is parsed.
    std::string transferSource, transferDestination;
    std::vector<std::string> transferNames;
    bool transferReplace = false, transferSkip = false, transferVerify = false;
    auto addTransfer = [&](const char* name, const char* description) {
        CLI::App* command = app.add_subcommand(name, description);
        command->add_option("SRC", transferSource, "The folder that holds the entries")->required();
        command->add_option("DST", transferDestination, "The destination folder")->required();
        command->add_option("NAME", transferNames,
                            "Entry names: a .mp3 or .mem file name, a recording's part-1 .AVR "
                            "name");
        CLI::Option* replace = command->add_flag("--replace", transferReplace,
                                                 "Replace entries that already exist in DST");
        command
            ->add_flag("--skip", transferSkip,
                       "Leave entries that already exist in DST as they are, copy the others")
            ->excludes(replace);
        command->add_flag("--verify", transferVerify,
                          "Read each copy back from the disk once it is in place and compare it "
                          "with what was written; a copy that differs is removed (a move keeps "
                          "its source)");
        return command;
    };
    CLI::App* cp = addTransfer("cp", "Copy entries as the Copy commands do: a recording with "
                                     "its companion and every part, its location text rewritten");
    CLI::App* mv = addTransfer("mv", "Move entries as the Move commands do: each source is "
                                     "deleted once its copy is complete");
    std::string convertSource, convertTarget;
    CLI::App* convert = app.add_subcommand("convert", "Convert a recording (every part, or the "
                                                      "named part file) into one MPEG program "
                                                      "stream file, as the ts2pes dialog does");
    convert->add_option("SOURCE", convertSource, "A recording's .AVR part file")->required();
    convert->add_option("TARGET", convertTarget, "The .mpg file to write")->required();
    bool convertReplace = false;
    convert->add_flag("--replace", convertReplace,
                      "Replace TARGET when it exists, once the new file is complete");

    // UTF-8 on every system (Windows hands main() its ANSI code page).
    std::vector<std::string> arguments = dz::platform::CommandLineArguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (std::string& argument : arguments)
        utf8Argv.push_back(argument.data());
    dz::platform::UseStableOutput();
    try {
        app.parse(static_cast<int>(utf8Argv.size()), utf8Argv.data());
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }
    if (dz::platform::InterruptReceived()) {
        std::cerr << "dezadide-cli: cancelled with Ctrl+C before anything was done\n";
        return kExitCancelled;
    }

    if (*ls) {
        LsOptions o;
        if (!ToText(lsFolder, o.folder))
            return kExitUsage;
        return RunLs(o, std::cout, std::cerr);
    }
    if (*rm) {
        RmOptions o;
        if (!ToText(rmFolder, o.folder) || !ToTexts(rmNames, o.names))
            return kExitUsage;
        o.recursive = rmRecursive;
        return RunRm(o, std::cout, std::cerr);
    }
    if (*rename) {
        RenameOptions o;
        if (!ToText(renameFolder, o.folder) || !ToText(renameOld, o.oldName) ||
            !ToText(renameNew, o.newName))
            return kExitUsage;
        return RunRename(o, std::cout, std::cerr);
    }
    if (*check) {
        CheckOptions o;
        if (!ToText(checkFolder, o.folder))
            return kExitUsage;
        o.fix = checkFix;
        o.recursive = checkRecursive;
        return RunCheck(o, std::cout, std::cerr);
    }
    if (*mkdir) {
        MkdirOptions o;
        if (!ToText(mkdirParent, o.parent) || !ToText(mkdirName, o.name))
            return kExitUsage;
        return RunMkdir(o, std::cout, std::cerr);
    }
    if (*info) {
        InfoOptions o;
        if (!ToText(infoPath, o.path))
            return kExitUsage;
        return RunInfo(o, std::cout, std::cerr);
    }
    if (*cp || *mv) {
        TransferOptions o;
        o.mode = *cp ? dz::TransferMode::Copy : dz::TransferMode::Move;
        if (transferReplace)
            o.existing = OnExisting::Replace;
        else if (transferSkip)
            o.existing = OnExisting::Skip;
        o.verify = transferVerify;
        if (!ToText(transferSource, o.source) || !ToText(transferDestination, o.destination) ||
            !ToTexts(transferNames, o.names))
            return kExitUsage;
        return RunTransfer(o, std::cout, std::cerr);
    }
    if (*convert) {
        ConvertOptions o;
        if (!ToText(convertSource, o.source) || !ToText(convertTarget, o.target))
            return kExitUsage;
        o.progress = dz::platform::StderrIsTerminal();
        o.replace = convertReplace;
        return RunConvert(o, std::cout, std::cerr);
    }
    return kExitUsage;
}

} // namespace

// Taken from the program's static set-up on, before main, to its very end.
const bool g_programInterrupt =
    (dz::platform::InstallProgramInterruptHook(RememberInterrupt), true);

int main(int argc, char** argv) {
    return AfterInterrupt(RunCommandLine(argc, argv));
}
