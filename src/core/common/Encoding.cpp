// Windows-1252 and UTF-8 conversions (see Encoding.h).
#include "common/Encoding.h"

#include <array>
#include <cstdint>

namespace caniparc {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The characters of bytes 0x80 to 0x9F; the undefined five map to themselves.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CharOfByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

std::optional<unsigned char> ByteOfChar(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

// Length of the valid sequence at text[pos] and its character, or 0 when none starts there.
std::size_t DecodeOne(std::string_view text, std::size_t pos, char32_t& c) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(pos);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, c = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byteAt(pos + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    return (c < minimum || c > 0x10FFFF || surrogate) ? 0 : length;
}

bool HasHighBytes(std::string_view text) {
    for (const char byte : text) {
        if (static_cast<unsigned char>(byte) >= 0x80)
            return true;
    }
    return false;
}

} // namespace

std::u32string CodePoints(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeOne(utf8, pos, c);
        out += length == 0 ? U'\uFFFD' : c;
        pos += length == 0 ? 1 : length;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char byte : bytes)
        AppendUtf8(out, CharOfByte(static_cast<unsigned char>(byte)));
    return out;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeOne(utf8, pos, c);
        const auto byte = length == 0 ? std::nullopt : ByteOfChar(c);
        if (!byte)
            return std::nullopt;
        out += static_cast<char>(*byte);
        pos += length;
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeOne(text, pos, c);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

std::string SanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeOne(text, pos, c);
        if (length == 0) {
            AppendUtf8(out, 0xFFFD);
            ++pos;
        } else {
            out.append(text.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

EncodedText EncodeTextFile(std::string_view utf8) {
    if (auto single = Utf8ToWindows1252(utf8)) {
        // Bytes that happen to form UTF-8 (such as "Ã¤") or to begin like a byte-order mark
        // ("ï»¿") would come back as other characters.
        const bool readsAsUtf8 = single->starts_with(kBom) || (HasHighBytes(*single) && IsValidUtf8(*single));
        if (!readsAsUtf8)
            return {std::move(*single), TextFileEncoding::Windows1252};
    }
    std::string bytes(kBom);
    bytes += SanitizeUtf8(utf8);
    return {std::move(bytes), TextFileEncoding::Utf8WithBom};
}

std::string DecodeTextFile(std::string_view bytes) {
    if (bytes.starts_with(kBom))
        return SanitizeUtf8(bytes.substr(kBom.size()));
    if (HasHighBytes(bytes) && IsValidUtf8(bytes))
        return std::string(bytes);
    return Windows1252ToUtf8(bytes);
}

const char* MarkupEntity(char32_t c) {
    switch (c) {
    case U'&':
        return "&amp;";
    case U'<':
        return "&lt;";
    case U'>':
        return "&gt;";
    case U'"':
        return "&quot;";
    default:
        return nullptr;
    }
}

} // namespace caniparc
