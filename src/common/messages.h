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

// Conversion outcomes.
inline constexpr char16_t kConvertFinished[] = u"Convert finished";
inline constexpr char16_t kConvertCanceled[] = u"Convert Canceled";
inline constexpr char16_t kCantOpenTarget[] = u"Can't open the target file";
inline constexpr char16_t kCantOpenSource[] = u"Can't open the source file";
// Writing the output failed part-way (a full disk): not a finished conversion.
inline constexpr char16_t kCantWriteTarget[] = u"Can't write the target file";
// No thread could be had for the conversion's worker: nothing was done.
inline constexpr char16_t kCantStartConversion[] = u"Can't start the conversion";

// The hand-over to the MP3 program.
inline constexpr char16_t kVivozirTitle[] = u"Vivozir";
inline constexpr char16_t kVivozirProgram[] = u"VIVOZIR";
inline constexpr char16_t kCantExecuteVivozir[] = u"Can't execute tovar Vivozir.";
inline constexpr char16_t kErrorCaption[] = u"Error";

} // namespace dz::msg
