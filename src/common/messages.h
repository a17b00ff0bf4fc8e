#pragma once
// The system's fixed texts, each defined once. The window and the terminal
// tool show exactly these.

namespace dz::msg {

inline constexpr char16_t kAppTitle[] = u"Dezadide";

// A recording's length when its stream does not tell it (damaged, cut short,
// a part missing).
inline constexpr char16_t kUnknownLength[] = u"?";

// Transfer, delete and new-folder commands.
inline constexpr char16_t kNoFolder[] = u"You did not select a folder";
// A path typed above a list that its row's tree cannot open.
inline constexpr char16_t kTypedFolderNotFound[] = u"There is no folder %s on the drives shown";
inline constexpr char16_t kNoFile[] = u"You did not select a file";
inline constexpr char16_t kNoDestination[] = u"You did not select a destination folder";
inline constexpr char16_t kSameFolder[] = u"Source Folder and Destination Folder is same";
inline constexpr char16_t kNoParentFolder[] = u"You did not select a parent folder";
inline constexpr char16_t kCouldNotMakeFolder[] = u"Could not make a folder, %s";
// A folder name must be one name inside its parent folder.
inline constexpr char16_t kFolderNameEmpty[] = u"A folder name cannot be empty";
inline constexpr char16_t kFolderNameNotAName[] = u"\"%s\" is not a folder name";
inline constexpr char16_t kFolderNameSeparator[] =
    u"A folder name is one name, without a path separator: %s";
inline constexpr char16_t kFolderNameNotStorable[] =
    u"The folder's disk cannot store this name (no \\ / : * ? \" < > |, control characters, or "
    u"a dot or space at its end): %s";
// The refusal of a name box's text beyond its limit, in the framework's words.
inline constexpr char16_t kTooManyCharacters[] = u"Please enter no more than %d characters.";
// Shown greyed in the "Input Name" box while it is empty: the box's label,
// which the dialog's small layout has no room for beside it.
inline constexpr char16_t kInputNameHint[] = u"Name";

// Failures of a copy, move or delete, shown after the job by the window and
// the terminal tool alike. "%s" is the entry (or the file) concerned.
inline constexpr char16_t kCouldNotReadSource[] = u"Could not read the source of %s";
inline constexpr char16_t kCouldNotWriteDestination[] = u"Could not write the destination of %s";
inline constexpr char16_t kDestinationFull[] =
    u"Could not write the destination of %s: the disk is full";
inline constexpr char16_t kDestinationTooLarge[] =
    u"Could not write the destination of %s: a file is larger than its file system allows";
inline constexpr char16_t kCompanionShort[] =
    u"The companion file of %s is shorter than 8,008 bytes";
inline constexpr char16_t kNameTooLong[] =
    u"The name or folder of %s is too long for the recorder's location text";
inline constexpr char16_t kNoMemoryForTransfer[] = u"Not enough memory for the transfer";
inline constexpr char16_t kTransferFailed[] = u"The transfer failed";
inline constexpr char16_t kCouldNotRemoveSource[] =
    u"Could not remove the source of %s; its copy at the destination is complete";
inline constexpr char16_t kWouldReplaceEarlier[] =
    u"%s would replace a file this job has just written: the destination folder does not tell "
    u"letter case apart";
inline constexpr char16_t kNotAnEntryName[] =
    u"Not an entry of the list (a later part of a recording): %s";
inline constexpr char16_t kNotAListEntry[] =
    u"Not an entry of the list (a .mp3 or .mem file, or a recording's part-1 .AVR file): %s";
inline constexpr char16_t kNoSuchEntry[] = u"No such entry in the folder: %s";
inline constexpr char16_t kCompanionUnreadable[] =
    u"The companion file of %s cannot be read; nothing of it was deleted";
inline constexpr char16_t kCouldNotDelete[] = u"Could not delete %s";
inline constexpr char16_t kDestinationTaken[] =
    u"%s was put in the destination by someone else meanwhile; it was left as it is and nothing "
    u"was copied over it";
inline constexpr char16_t kReplacedInPart[] =
    u"Could not write the destination of %s; the copy that was there had been replaced in part "
    u"and has been removed (the source is untouched)";
inline constexpr char16_t kSourceChanged[] =
    u"The source of %s changed while it was copied; it was left where it is";
inline constexpr char16_t kVerifyFailed[] =
    u"The copy of %s read back from the disk differs from what was written; the copy was "
    u"removed and its source left where it is";
inline constexpr char16_t kSkippedExisting[] = u"Skipped, already in the destination: %s";
inline constexpr char16_t kMovedAlready[] =
    u"%s is no longer in the source folder and is whole in the destination: its move is "
    u"finished";
inline constexpr char16_t kPartsBeyondCount[] =
    u"The companion file of %s counts fewer parts than there are part files; nothing of it was "
    u"copied or moved";
inline constexpr char16_t kCancelled[] = u"Cancelled";
// After a cancel: how far the job got ("Cancelled: 2 of 5 moved").
inline constexpr char16_t kCancelledCopied[] = u"Cancelled: %d of %d copied";
inline constexpr char16_t kCancelledMoved[] = u"Cancelled: %d of %d moved";

// Rename. "%s" is the entry or the name concerned.
inline constexpr char16_t kRenameEmpty[] = u"A new name cannot be empty";
inline constexpr char16_t kRenameNotAName[] = u"\"%s\" is not a name";
inline constexpr char16_t kRenameSeparator[] =
    u"A new name is one name, without a path separator: %s";
inline constexpr char16_t kRenameNotStorable[] =
    u"The folder's disk cannot store this name (no \\ / : * ? \" < > |, control characters, or "
    u"a dot or space at its end): %s";
inline constexpr char16_t kRenameTaken[] = u"The name is already taken in the folder: %s";
// Renaming over the same entry in another case would lose it on some disks.
inline constexpr char16_t kRenameCaseOnly[] =
    u"%s differs from the old name only in letter case, which this folder does not tell apart; "
    u"rename it to another name first";
inline constexpr char16_t kRenamePlainExtension[] =
    u"A .mp3 or .mem file keeps one of these two extensions: %s";
inline constexpr char16_t kRenameRecordingTooLong[] =
    u"A recording name holds at most 32 characters: %s";
inline constexpr char16_t kRenameRecordingScheme[] =
    u"A recording name cannot hold \"_#\", which starts the part number: %s";
inline constexpr char16_t kRenameRecordingCharacters[] =
    u"The recorder's disk cannot store this recording name (no \\ / : * ? \" < > |, control "
    u"characters, or characters beyond one byte): %s";
inline constexpr char16_t kRenameLocationTooLong[] =
    u"The recorder's location text of %s would not fit its field: the name or the folder is too "
    u"long";
inline constexpr char16_t kRenameCompanionUnreadable[] =
    u"The companion file of %s cannot be read; nothing was renamed";
inline constexpr char16_t kRenameHalfDone[] =
    u"Parts of %s lie under another recording name: a rename of it was cut short. Run that "
    u"rename again (or check --fix) first; nothing was renamed";
inline constexpr char16_t kRenameFailed[] =
    u"Could not rename %s; running the same rename again finishes it";
inline constexpr char16_t kRenameFinished[] = u"A rename cut short was finished: %s";

// Deleting a folder.
inline constexpr char16_t kFolderNotEmpty[] =
    u"%s is a folder that is not empty; nothing was deleted (--recursive deletes it with "
    u"everything in it)";
inline constexpr char16_t kCouldNotDeleteFolder[] =
    u"Could not delete %s; the deletion stopped there and every recording left is whole";
inline constexpr char16_t kDeleteFolderQuestion[] = u"Delete the folder %s with everything in it?";
inline constexpr char16_t kFolderHolds[] = u"It holds %d recordings and %d other files";
// A drive is the tree's root: its folders can go or change names, never it.
inline constexpr char16_t kDriveNotRenamed[] = u"%s is a drive; only its folders can be renamed";
inline constexpr char16_t kDriveNotDeleted[] = u"%s is a drive; only its folders can be deleted";

// Check and mend: the problems found, one line each, and what mending does.
inline constexpr char16_t kCheckLocationElsewhere[] =
    u"its location text names %s, not where it is";
inline constexpr char16_t kCheckLocationEmpty[] = u"its location text is empty";
inline constexpr char16_t kCheckPartMissing[] = u"part %d of %d is missing";
inline constexpr char16_t kCheckStrayBeyondCount[] =
    u"a part file beyond the %d parts its companion counts";
inline constexpr char16_t kCheckStrayNoCompanion[] = u"a part file without a companion";
inline constexpr char16_t kCheckNoFirstPart[] = u"a companion without its part 1";
inline constexpr char16_t kCheckCompanionShort[] =
    u"the companion file is shorter than its 8,008-byte head";
inline constexpr char16_t kCheckCompanionUnreadable[] = u"the companion file cannot be read";
inline constexpr char16_t kCheckTotalSize[] =
    u"the companion's total size (%s bytes) disagrees with its parts (%s bytes)";
inline constexpr char16_t kCheckStreamOffsetPastEnd[] =
    u"the part header's stream offset (%d) points past the part's end (%d bytes)";
inline constexpr char16_t kCheckNotTransportStream[] =
    u"the stream does not start with transport packets";
inline constexpr char16_t kCheckDeadTemporary[] = u"a temporary file left by a job that ended";
inline constexpr char16_t kCheckRenameCutShort[] = u"a rename to %s was cut short";
inline constexpr char16_t kCheckUnreadableFolder[] = u"the folder cannot be read";
inline constexpr char16_t kFixRewriteLocation[] = u"rewrite the location text";
inline constexpr char16_t kFixRemoveTemporary[] = u"remove the temporary file";
inline constexpr char16_t kFixFinishRename[] = u"finish the rename";
inline constexpr char16_t kFixNothing[] = u"nothing: reported only";
inline constexpr char16_t kFixDone[] = u"mended: %s";
inline constexpr char16_t kFixFailed[] = u"could not %s";
// The window's status bar: the focused row's selection and its drive.
inline constexpr char16_t kStatusSelection[] = u"%d of %d selected, %s KB";
inline constexpr char16_t kStatusFree[] = u"%s free";

// The window's Check Folder dialog.
inline constexpr char16_t kCheckFolderTitle[] = u"Check Folder";
inline constexpr char16_t kCheckFolderNothing[] = u"Nothing found: every entry in %s is whole";
inline constexpr char16_t kCheckFolderFoundOne[] = u"1 finding in %s";
inline constexpr char16_t kCheckFolderFound[] = u"%d findings in %s";

// After a recording's size in the lists when its companion's total is
// impossible and the sum of its parts is shown instead.
inline constexpr char16_t kSizeFromParts[] = u" (parts)";

// Conversion outcomes.
inline constexpr char16_t kConvertFinished[] = u"Convert finished";
inline constexpr char16_t kConvertCanceled[] = u"Convert Canceled";
inline constexpr char16_t kCantOpenTarget[] = u"Can't open the target file";
inline constexpr char16_t kCantOpenSource[] = u"Can't open the source file";
// Writing the output failed part-way (a full disk): not a finished conversion.
inline constexpr char16_t kCantWriteTarget[] = u"Can't write the target file";
// No thread could be had for the conversion's worker: nothing was done.
inline constexpr char16_t kCantStartConversion[] = u"Can't start the conversion";
// Reading a source part failed part-way (a failing disk): not its end.
inline constexpr char16_t kCantReadSource[] = u"Can't read the source file";
// A source part without a transport stream: a failure, not a cancel.
inline constexpr char16_t kNotATransportStream[] =
    u"The source file is not an MPEG transport stream";
inline constexpr char16_t kNotATransportStreamNamed[] = u"%s is not an MPEG transport stream";
// Every part read, and nothing in them the converter writes.
inline constexpr char16_t kNoStreamFound[] =
    u"Nothing to convert: the source file holds no MPEG video with MPEG or AC-3 audio, and no "
    u"MPEG audio alone";
// "%s" is the target; the terminal's refusal when --replace was not given.
inline constexpr char16_t kTargetExists[] = u"%s already exists; it was left as it was";
// The conversion dialog's question before it replaces an existing target.
inline constexpr char16_t kReplaceTargetQuestion[] =
    u"%s already exists.\nReplace it once the conversion is complete?";
inline constexpr char16_t kPartsMissing[] =
    u"The companion file's part count (%d) is more than the parts there (%d); nothing was "
    u"converted";
inline constexpr char16_t kCantTellTargetFileSystem[] =
    u"Can't tell the file system of the target's disk, so not whether it takes a recording of "
    u"several parts (over 4 GiB); nothing was converted";
// The terminal's cancel: what became of TARGET ("%s").
inline constexpr char16_t kConvertCanceledNotMade[] = u"Convert Canceled; %s was not made";
inline constexpr char16_t kConvertCanceledKept[] = u"Convert Canceled; %s was left as it was";
// Warnings of a conversion that went on, shown with its outcome.
inline constexpr char16_t kPartCountDisagrees[] =
    u"The companion file's part count (%d) does not match the parts there (%d); every part there "
    u"was converted";
inline constexpr char16_t kOnlyFirstPartConverted[] =
    u"Only part 1 of %d was converted: the target's file system does not take files over 4 GiB";

// A picture of a recording (thumbnail), when none could be made.
inline constexpr char16_t kPictureNoVideo[] =
    u"The recording holds no video to take a picture from";
inline constexpr char16_t kPictureNotDecoded[] =
    u"No whole picture could be decoded from the recording's video";
inline constexpr char16_t kPictureNoTimes[] =
    u"The recording's video carries no time stamps, so no time can be found in it";
inline constexpr char16_t kPicturePastTheEnd[] =
    u"The time asked for is past the end of the recording";
inline constexpr char16_t kCantWritePicture[] = u"Can't write the picture file";
// The list's column of running times, and the details pane below each list.
inline constexpr char16_t kLengthColumn[] = u"Length";
inline constexpr char16_t kReadingPicture[] = u"Reading the picture...";
inline constexpr char16_t kNoPictureInRecording[] = u"No picture in this recording";

// The hand-over to the MP3 program.
inline constexpr char16_t kVivozirTitle[] = u"Vivozir";
inline constexpr char16_t kVivozirProgram[] = u"VIVOZIR";
inline constexpr char16_t kCantExecuteVivozir[] = u"Can't execute tovar Vivozir.";
inline constexpr char16_t kErrorCaption[] = u"Error";
// The terminal tool's refusals of what it was given. "%s" is the name or path.
inline constexpr char16_t kNotAFileNameInFolder[] = u"Not a file name in the folder: %s";
inline constexpr char16_t kNotAPartFile[] = u"Not a recording part file: %s";
inline constexpr char16_t kOutsideNameScheme[] = u"The name is outside the recording scheme: %s";
inline constexpr char16_t kCompanionFileUnreadable[] = u"Cannot read the companion file %s";
inline constexpr char16_t kFolderUnreadable[] = u"Cannot read the folder %s";
inline constexpr char16_t kArgumentNotUtf8[] = u"dezadide-cli: an argument is not UTF-8 text";
inline constexpr char16_t kInterruptAfterWork[] =
    u"dezadide-cli: Ctrl+C came after the work was done; it is complete";
inline constexpr char16_t kInterruptBeforeWork[] =
    u"dezadide-cli: cancelled with Ctrl+C before anything was done";
// Saving the program's empty document over a recording's file is refused.
inline constexpr char16_t kSaveRefused[] =
    u"Saving would replace %s with an empty document; nothing was written";

// The caption of the box when --demo cannot make its sample disk: it comes
// before the main window, so it says what failed rather than the program's
// name, which scripts look for as the main window's.
inline constexpr char16_t kSampleDiskFailedCaption[] = u"Sample Disk Not Made";
inline constexpr char16_t kSampleDiskFailed[] = u"The sample disk could not be made from %s";

} // namespace dz::msg
