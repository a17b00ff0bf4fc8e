// The window program's entry point.
#include "app/DezadideApp.h"

wxIMPLEMENT_APP(CDezadideApp);
