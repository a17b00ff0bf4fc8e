#pragma once
// The system's fixed texts, each defined once. The window and the terminal
// tool show exactly these.

namespace dz::msg {

inline constexpr char16_t kAppTitle[] = u"Dezadide";

// Transfer, delete and new-folder commands.
inline constexpr char16_t kNoFolder[] = u"You did not select a folder";
inline constexpr char16_t kNoFile[] = u"You did not select a file";
inline constexpr char16_t kNoDestination[] = u"You did not select a destination folder";
inline constexpr char16_t kSameFolder[] = u"Source Folder and Destination Folder is same";
inline constexpr char16_t kNoParentFolder[] = u"You did not select a parent folder";
inline constexpr char16_t kCouldNotMakeFolder[] = u"Could not make a folder, %s";
// The refusal of a name box's text beyond its limit, in the framework's words.
inline constexpr char16_t kTooManyCharacters[] = u"Please enter no more than %d characters.";

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
inline constexpr char16_t kCompanionUnreadable[] =
    u"The companion file of %s cannot be read; nothing of it was deleted";
inline constexpr char16_t kCouldNotDelete[] = u"Could not delete %s";
inline constexpr char16_t kCancelled[] = u"Cancelled";
// After a cancel: how far the job got ("Cancelled: 2 of 5 moved").
inline constexpr char16_t kCancelledCopied[] = u"Cancelled: %d of %d copied";
inline constexpr char16_t kCancelledMoved[] = u"Cancelled: %d of %d moved";

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

// The hand-over to the MP3 program.
inline constexpr char16_t kVivozirTitle[] = u"Vivozir";
inline constexpr char16_t kVivozirProgram[] = u"VIVOZIR";
inline constexpr char16_t kCantExecuteVivozir[] = u"Can't execute tovar Vivozir.";
inline constexpr char16_t kErrorCaption[] = u"Error";
// The caption of the box when --demo cannot make its sample disk: it comes
// before the main window, so it says what failed rather than the program's
// name, which scripts look for as the main window's.
inline constexpr char16_t kSampleDiskFailedCaption[] = u"Sample Disk Not Made";

} // namespace dz::msg
