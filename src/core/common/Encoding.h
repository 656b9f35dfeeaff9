// Text encodings of the files the station exchanges. Inside the station every text is UTF-8;
// files are Windows-1252 where that can hold the text, and UTF-8 with a byte-order mark where it
// cannot, so that a name such as "Dvořák" or "Łukasz" survives a save and a reload.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace caniparc {

// Every byte has a character: the five bytes Windows-1252 leaves undefined become the control
// characters of the same number, as the Windows conversion does, so no byte is ever lost.
std::string Windows1252ToUtf8(std::string_view bytes);

// nullopt when the text is not valid UTF-8 or holds a character Windows-1252 has no byte for.
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8);

// Appends one character (at most U+10FFFF, no surrogate) in UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// The characters of a UTF-8 text; a byte that starts no valid sequence counts as U+FFFD.
std::u32string CodePoints(std::string_view utf8);

// Strict: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// Replaces every byte that does not start a valid sequence by U+FFFD.
std::string SanitizeUtf8(std::string_view text);

// The character reference for a character markup must not carry as it is (& < > "), else null.
// The web page, the document file and the live results all escape through it.
const char* MarkupEntity(char32_t c);

enum class TextFileEncoding { Windows1252, Utf8WithBom };

struct EncodedText {
    std::string bytes;
    TextFileEncoding encoding = TextFileEncoding::Windows1252;
};

// Windows-1252 when every character has a byte there and the bytes cannot be mistaken for UTF-8
// on reading; UTF-8 with a byte-order mark otherwise.
EncodedText EncodeTextFile(std::string_view utf8);

// A byte-order mark means UTF-8; so does valid UTF-8 with bytes above 127; anything else is read
// as Windows-1252. The result is always valid UTF-8.
std::string DecodeTextFile(std::string_view bytes);

} // namespace caniparc
