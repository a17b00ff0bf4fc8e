#include "platform/collate.h"

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <mutex>
#include <wchar.h>

namespace dz::platform {
namespace {

std::mutex g_mutex;
locale_t g_locale = nullptr;

locale_t OpenLocale(const std::string& name) {
    return newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(nullptr));
}

// The user's locale once, whatever setlocale the program called (the
// terminal program calls none): C when the user's cannot be had.
locale_t CurrentLocale() {
    std::lock_guard lock(g_mutex);
    if (!g_locale)
        g_locale = OpenLocale("");
    if (!g_locale)
        g_locale = OpenLocale("C");
    return g_locale;
}

// UTF-16 to the C library's wide characters (UTF-32 here), each in its
// lower case; an unpaired surrogate stays a unit of its own.
std::wstring FoldedWide(std::u16string_view text, locale_t locale) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        out.push_back(static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), locale)));
    }
    return out;
}

} // namespace

int CollateNoCase(std::u16string_view a, std::u16string_view b) {
    const locale_t locale = CurrentLocale();
    if (!locale)
        return 0;
    const int c = wcscoll_l(FoldedWide(a, locale).c_str(), FoldedWide(b, locale).c_str(), locale);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool UseCollationLocale(const std::string& name) {
    const locale_t opened = OpenLocale(name);
    if (!opened)
        return false;
    std::lock_guard lock(g_mutex);
    if (g_locale)
        freelocale(g_locale);
    g_locale = opened;
    return true;
}

} // namespace dz::platform
