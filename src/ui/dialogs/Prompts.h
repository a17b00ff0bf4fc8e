#pragma once
// The questions a command asks before it acts: Delete's confirmation and the
// Replace / Skip / Cancel choice for an entry that already exists. A test's
// stand-in (UserStandIn.h) may answer instead of a modal box.
#include "transfer/transfer_plan.h"

#include <string>

class wxWindow;

struct DeleteAnswer {
    bool confirmed = false;
    bool dontAskAgain = false;
};
DeleteAnswer AskDeleteConfirmation(wxWindow* parent, const std::u16string& text);

// remaining: the existing entries after this one; "for all" is offered
// only when there are some.
dz::ReplaceDecision AskReplaceEntry(wxWindow* parent, const std::u16string& text, size_t remaining);

struct PromptCall {
    enum class Kind { Delete, Replace } kind = Kind::Delete;
    std::u16string text;
    size_t remaining = 0;
};
struct PromptReply {
    DeleteAnswer del;
    dz::ReplaceDecision replace;
};

// The dialogs themselves, for a caller that shows them without a modal run
// (screenshots): the Delete box with its "don't ask again" choice.
class wxDialog;
wxDialog* MakeDeleteConfirmation(wxWindow* parent, const std::u16string& text);
