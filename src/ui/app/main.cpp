// The window program's entry point.
#include "ui/app/DezadideApp.h"

wxIMPLEMENT_APP(CDezadideApp);
