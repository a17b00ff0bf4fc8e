#pragma once
// The one place where window tests stand in for the user: message boxes are
// handed to them instead of shown, questions answered, the dialogs the
// frame's commands open watched, pictures read from a folder of their own.
// The program never fills it; with it empty, boxes are shown, questions
// asked and the carried pictures used.
#include "ui/MessageBox.h"
#include "ui/dialogs/CopyProgressDlg.h"
#include "ui/dialogs/DeleteProgressDlg.h"
#include "ui/dialogs/Prompts.h"
#include "ui/dialogs/Ts2PesDlg.h"

#include <wx/string.h>

#include <functional>

struct UserStandIn {
    // Receives each message box in place of its modal run.
    std::function<void(const MessageBoxCall&)> messageBox;
    // Answers each question in place of its modal run.
    std::function<PromptReply(const PromptCall&)> prompt;
    // Given to the progress dialogs the frame's commands open.
    CCopyProgressDlg::Seams copy;
    CDeleteProgressDlg::Seams deletion;
    CTs2PesDlg::Seams conversion;
    // A folder whose pictures (named as in res/) replace the carried ones.
    wxString resourceFolder;
};

// Window tests fill this, and empty it again when they end.
UserStandIn& TestStandIn();
