// Reading and writing the registry editor's text format (see RegFileFormat.h).
//
// The file is written in UTF-8, not in the ANSI code page a Windows "REGEDIT4" file would use: a
// Linux desktop expects its text files in UTF-8, and UTF-8 holds every character the settings
// dialog accepts, so no title or grade name loses a letter on the way through the file. Files
// written elsewhere in Windows-1252 are still read.
#include "settings/RegFileFormat.h"

#include "common/Encoding.h"
#include "common/NumberText.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

namespace caniparc {
namespace {

// How many bytes at the end of the text are the start of a multi-byte letter that the end cut
// short; 0 when the text does not end that way.
std::size_t CutLetterLength(std::string_view text) {
    for (std::size_t k = 1; k <= 3 && k <= text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[text.size() - k]);
        if (c < 0x80)
            return 0;
        if (c >= 0xC0) {
            const std::size_t length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            return c >= 0xC2 && c <= 0xF4 && k < length ? k : 0;
        }
    }
    return 0;
}

// A file cut inside a multi-byte letter is still a UTF-8 file: only the cut letter is dropped,
// instead of reading every umlaut before it as two Windows-1252 characters.
std::string DecodeFileText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    const std::string_view whole = bytes.substr(0, bytes.size() - CutLetterLength(bytes));
    return whole.size() < bytes.size() && IsValidUtf8(whole) ? std::string(whole) : Windows1252ToUtf8(bytes);
}

// ASCII only, like value names: the program's locale must not change which names are equal.
char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// Up to `maxDigits` hex digits making up the whole text.
std::optional<std::uint32_t> ParseHexNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Comma-separated bytes of exactly two digits each: a byte cut to one digit by a damaged file
// must not pass as a different number.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    text = TrimBlanks(text);
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = TrimBlanks(text.substr(0, comma));
        const auto value = item.size() == 2 ? ParseHexNumber(item, 2) : std::nullopt;
        if (!value)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*value));
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
        if (TrimBlanks(text).empty())
            return std::nullopt; // a trailing comma: the data was cut
    }
    return bytes;
}

// A quoted text with the two escapes the registry editor writes; `end` receives the position
// after the closing quote.
std::optional<std::string> ParseQuoted(std::string_view text, std::size_t& end) {
    if (text.empty() || text.front() != '"')
        return std::nullopt;
    std::string result;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            end = i + 1;
            return result;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"'))
            ++i;
        result += text[i];
    }
    return std::nullopt;
}

std::string Quoted(std::string_view text) {
    std::string result = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            result += '\\';
        result += c;
    }
    return result + '"';
}

// Zero-terminated text in hex form; without its terminator the data was cut.
std::optional<std::string> TextFromBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (byte == 0)
            return IsValidUtf8(text) ? text : Windows1252ToUtf8(text);
        text += static_cast<char>(byte);
    }
    return std::nullopt;
}

std::optional<StoredValue> ValueOfType(std::uint32_t type, std::vector<std::uint8_t> bytes) {
    constexpr std::uint32_t regSz = 1, regExpandSz = 2, regBinary = 3, regDword = 4;
    StoredValue value;
    if (type == regSz || type == regExpandSz) {
        auto text = TextFromBytes(bytes);
        if (!text)
            return std::nullopt;
        value = StoredValue::String(std::move(*text));
        value.kind = type == regSz ? ValueKind::String : ValueKind::ExpandString;
    } else if (type == regBinary) {
        value = StoredValue::Binary(std::move(bytes));
    } else if (type == regDword && bytes.size() == 4) {
        value =
            StoredValue::Dword(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
    } else {
        value.otherType = type;
        value.bytes = std::move(bytes);
    }
    return value;
}

// "hex:..." or "hex(N):..." after the continuation lines were joined.
std::optional<StoredValue> ParseHexData(std::string_view data) {
    std::uint32_t type = 3;
    data.remove_prefix(3);
    if (data.starts_with('(')) {
        const std::size_t close = data.find(')');
        const auto number = ParseHexNumber(data.substr(1, close == std::string_view::npos ? 0 : close - 1), 8);
        if (!number)
            return std::nullopt;
        type = *number;
        data.remove_prefix(close + 1);
    }
    if (!data.starts_with(':'))
        return std::nullopt;
    auto bytes = ParseHexBytes(data.substr(1));
    return bytes ? ValueOfType(type, std::move(*bytes)) : std::nullopt;
}

// A quoted text or a dword. `complete`: the line ended with a line break, so a short number was
// written short on purpose rather than cut off at the end of a damaged file.
std::optional<StoredValue> ParseData(std::string_view data, bool complete) {
    if (data.starts_with('"')) {
        std::size_t end = 0;
        auto text = ParseQuoted(data, end);
        if (!text || !TrimBlanks(data.substr(end)).empty())
            return std::nullopt;
        text->resize(std::min(text->size(), text->find('\0'))); // a registry text ends at its first zero
        return StoredValue::String(std::move(*text));
    }
    if (StartsWithIgnoringCase(data, "dword:")) {
        const std::string_view digits = data.substr(6);
        if (!complete && digits.size() != 8)
            return std::nullopt;
        const auto number = ParseHexNumber(digits, 8);
        return number ? std::optional(StoredValue::Dword(*number)) : std::nullopt;
    }
    return std::nullopt;
}

struct Line {
    std::string_view text;
    bool terminated;
};

// Line ends LF or CR LF.
std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back({line, end != std::string_view::npos});
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

class Reader {
public:
    Reader(std::string_view text, std::string_view keyPath) : lines_(SplitLines(text)), keyPath_(keyPath) {}

    std::optional<std::vector<NamedValue>> Run() {
        for (index_ = 0; index_ < lines_.size(); ++index_) {
            const std::string_view line = TrimBlanks(lines_[index_].text);
            if (line.starts_with('['))
                EnterSection(line);
            else if (inSection_ && line.starts_with('"'))
                ReadValueLine(line);
        }
        if (!sectionFound_)
            return std::nullopt;
        std::vector<NamedValue> values;
        for (auto& value : values_) {
            if (value)
                values.push_back(std::move(*value));
        }
        return values;
    }

private:
    void EnterSection(std::string_view line) {
        inSection_ = line.ends_with(']') && EqualsIgnoringCase(line.substr(1, line.size() - 2), keyPath_);
        sectionFound_ = sectionFound_ || inSection_;
    }

    void ReadValueLine(std::string_view line) {
        std::size_t end = 0;
        auto name = ParseQuoted(line, end);
        const std::string_view rest = TrimBlanks(line.substr(end));
        if (!name || !rest.starts_with('='))
            return; // not a value line: skipped
        std::string data(TrimBlanks(rest.substr(1)));
        std::optional<StoredValue> value;
        if (StartsWithIgnoringCase(data, "hex")) {
            // Hex data cannot show that it was cut, so data running into the end of the file
            // without a line break is not trusted; the editor always ends its lines.
            if (JoinContinuations(data) && lines_[index_].terminated)
                value = ParseHexData(data);
        } else if (data != "-") { // "-" deletes the value
            value = ParseData(data, lines_[index_].terminated);
        }
        Assign(std::move(*name), std::move(value));
    }

    // The last assignment of a name wins, as on an import; an empty value deletes. The index
    // keeps a file of many lines from taking quadratic time.
    void Assign(std::string name, std::optional<StoredValue> value) {
        const auto known = positions_.find(name);
        if (known != positions_.end()) {
            values_[known->second].reset();
            positions_.erase(known);
        }
        if (!value)
            return;
        positions_.emplace(name, values_.size());
        values_.push_back(NamedValue{std::move(name), std::move(*value)});
    }

    // Hex data goes on over following lines while a line ends in a backslash. False when the
    // file ended in the middle of it.
    bool JoinContinuations(std::string& data) {
        while (data.ends_with('\\')) {
            data.pop_back();
            if (++index_ >= lines_.size())
                return false;
            data += TrimBlanks(lines_[index_].text);
        }
        return true;
    }

    std::vector<Line> lines_;
    std::string_view keyPath_;
    std::size_t index_ = 0;
    bool inSection_ = false;
    bool sectionFound_ = false;
    std::vector<std::optional<NamedValue>> values_;
    std::map<std::string, std::size_t, ValueNameLess> positions_;
};

void AppendHexBytes(std::string& line, const std::vector<std::uint8_t>& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::size_t column = line.size();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        line += digits[bytes[i] >> 4];
        line += digits[bytes[i] & 0x0F];
        column += 2;
        if (i + 1 == bytes.size())
            break;
        line += ',';
        if (++column > 76) {
            line += "\\\n  ";
            column = 2;
        }
    }
}

std::vector<std::uint8_t> TerminatedBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// Texts a quoted line cannot carry (line breaks, other control characters, bytes that are no
// UTF-8 and would turn the whole file into Windows-1252 for the reader) go in hex form.
bool NeedsHexForm(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    }
    return !IsValidUtf8(text);
}

std::string FormatHexValue(std::string prefix, std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
    std::array<char, 16> typeText{};
    std::snprintf(typeText.data(), typeText.size(), "%x", static_cast<unsigned>(type));
    prefix += type == 3 ? std::string("hex:") : "hex(" + std::string(typeText.data()) + "):";
    AppendHexBytes(prefix, bytes);
    return prefix;
}

std::string FormatValueLine(const NamedValue& named) {
    const StoredValue& value = named.value;
    std::string line = Quoted(named.name) + "=";
    switch (value.kind) {
    case ValueKind::Dword: {
        std::array<char, 16> digits{};
        std::snprintf(digits.data(), digits.size(), "%08x", static_cast<unsigned>(value.dword));
        return line + "dword:" + digits.data();
    }
    case ValueKind::String:
        return NeedsHexForm(value.text) ? FormatHexValue(line, 1, TerminatedBytes(value.text))
                                        : line + Quoted(value.text);
    case ValueKind::ExpandString:
        return FormatHexValue(line, 2, TerminatedBytes(value.text));
    case ValueKind::Binary:
        return FormatHexValue(line, 3, value.bytes);
    case ValueKind::Other:
        break;
    }
    return FormatHexValue(line, value.otherType, value.bytes);
}

} // namespace

std::string SettingsKeyPath(const std::string& programTitle) {
    return "HKEY_CURRENT_USER\\Software\\Kronolux\\" + programTitle;
}

std::optional<std::vector<NamedValue>> ParseRegFile(std::string_view bytes, std::string_view keyPath) {
    const std::string text = DecodeFileText(bytes);
    return Reader(text, keyPath).Run();
}

std::string FormatRegFile(const std::vector<NamedValue>& values, std::string_view keyPath) {
    std::string text = "REGEDIT4\n\n[" + std::string(keyPath) + "]\n";
    for (const NamedValue& value : values)
        text += FormatValueLine(value) + '\n';
    return text + '\n';
}

} // namespace caniparc
