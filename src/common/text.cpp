#include "common/text.h"

namespace dz {

int CompareNoCaseAZ(std::u16string_view a, std::u16string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t ca = FoldAZ(a[i]);
        const char16_t cb = FoldAZ(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualNoCaseAZ(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && CompareNoCaseAZ(a, b) == 0;
}

std::u16string ToUpperAZ(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out)
        c = UpperAZ(c);
    return out;
}

std::u16string_view ExtensionOf(std::u16string_view path) {
    const size_t slash = path.find_last_of(u"/\\");
    const size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
    const size_t dot = path.rfind(u'.');
    if (dot == std::u16string_view::npos || dot < nameStart)
        return {};
    return path.substr(dot);
}

bool HasExtension(std::u16string_view path, std::u16string_view ext) {
    return EqualNoCaseAZ(ExtensionOf(path), ext);
}

EntryKind KindOf(std::u16string_view path) {
    if (HasExtension(path, u".mp3") || HasExtension(path, u".mem"))
        return EntryKind::kPlainFile;
    if (HasExtension(path, u".avr"))
        return EntryKind::kRecordingPart;
    return EntryKind::kOther;
}

int32_t LenientInt(std::u16string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || (s[i] >= u'\t' && s[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        value = value * 10 + (s[i] - u'0');
        if (value > INT32_MAX) // saturate instead of overflowing
            value = INT64_C(1) + INT32_MAX;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

std::u16string Ascii(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

std::u16string FillMessage(std::u16string_view format, std::u16string_view value) {
    std::u16string text(format);
    const size_t s = text.find(u"%s");
    const size_t d = text.find(u"%d");
    const size_t at = s < d ? s : d;
    if (at != std::u16string::npos)
        text.replace(at, 2, value);
    return text;
}

std::u16string FillCounts(std::u16string_view format, int32_t first, int32_t second) {
    std::u16string out(format);
    for (const int32_t value : {first, second}) {
        const size_t at = out.find(u"%d");
        if (at == std::u16string::npos)
            break;
        out.replace(at, 2, Ascii(std::to_string(value)));
    }
    return out;
}

std::string EscapeForTerminal(std::string_view bytes) {
    std::string shown;
    shown.reserve(bytes.size());
    const auto escape = [&shown](unsigned char b) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        shown += "\\x";
        shown += kHex[b >> 4];
        shown += kHex[b & 0x0F];
    };
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            if (b < 0x20 || b == 0x7F)
                escape(b);
            else
                shown += static_cast<char>(b);
            ++i;
            continue;
        }
        // A whole well-formed character is kept; otherwise only this byte
        // is escaped and the next one is looked at afresh.
        const size_t length = (b & 0xE0) == 0xC0   ? 2
                              : (b & 0xF0) == 0xE0 ? 3
                              : (b & 0xF8) == 0xF0 ? 4
                                                   : 0;
        if (length != 0 && i + length <= bytes.size() && FromUtf8(bytes.substr(i, length))) {
            shown.append(bytes.substr(i, length));
            i += length;
            continue;
        }
        escape(b);
        ++i;
    }
    return shown;
}

std::string ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::optional<std::u16string> FromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        uint32_t cp = 0;
        size_t extra = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F;
            extra = 1;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F;
            extra = 2;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07;
            extra = 3;
        } else {
            return std::nullopt;
        }
        if (i + extra >= s.size())
            return std::nullopt; // truncated sequence
        for (size_t k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80)
                return std::nullopt;
            cp = (cp << 6) | (b & 0x3F);
        }
        static constexpr uint32_t kMinForLength[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt; // overlong forms and surrogates are not text
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += extra + 1;
    }
    return out;
}

} // namespace dz
