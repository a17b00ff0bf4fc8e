#pragma once
// The remembered layout kept in a settings file with wxFileConfig: the
// window's place and size, the splitter bars, each row's columns, sort and
// folder, whether Delete asks first and whether the details pane shows.
#include "common/user_settings.h"

#include <wx/string.h>

// Defaults when there is no file.
dz::LayoutSettings ReadLayoutSettings(const wxString& file);
bool WriteLayoutSettings(const wxString& file, const dz::LayoutSettings& settings);
