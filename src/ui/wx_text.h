#pragma once
// The one place where the window turns the core's UTF-16 texts into wxString
// and back.
#include <wx/string.h>

#include <string>

inline wxString ToWx(const std::u16string& s) {
    return wxString(reinterpret_cast<const char*>(s.data()), wxMBConvUTF16(), s.size() * 2);
}

inline std::u16string FromWx(const wxString& s) {
    const wxScopedCharBuffer buf = s.mb_str(wxMBConvUTF16());
    return std::u16string(reinterpret_cast<const char16_t*>(buf.data()), buf.length() / 2);
}
