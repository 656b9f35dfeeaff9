// Windows-1252 and UTF-8: no byte and no character is lost on the way through a file.
#include "common/Encoding.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

TEST(Windows1252, EveryByteSurvivesTheTripThroughUtf8) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    const std::string utf8 = Windows1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToWindows1252(utf8), all);
}

TEST(Windows1252, HighBytesAreTheCodePageCharactersNotLatin1) {
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "€");
    EXPECT_EQ(Windows1252ToUtf8("\x8A\x9A"), "Šš");
    EXPECT_EQ(Windows1252ToUtf8("\xE4\xFC\xDF"), "äüß");
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81") << "an undefined byte keeps its number";
    EXPECT_EQ(Utf8ToWindows1252("Müller €5"), "M\xFCller \x80"
                                              "5");
}

TEST(Windows1252, CharactersWithoutAByteOrBrokenUtf8_AreRefused) {
    EXPECT_FALSE(Utf8ToWindows1252("Dvořák"));
    EXPECT_FALSE(Utf8ToWindows1252("Łukasz"));
    EXPECT_FALSE(Utf8ToWindows1252("\xC2\x80")) << "U+0080 has no byte; 0x80 is the euro sign";
    EXPECT_FALSE(Utf8ToWindows1252("\xFC"));
}

TEST(Utf8, StrictValidation) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("Jiří \xF0\x9F\x90\x95"));
    for (const char* bad :
         {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3", "\xE2\x82", "\x80", "\xFF"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_EQ(SanitizeUtf8("a\xC3(b\xE2\x82"), "a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextFileEncoding, SingleBytesWhenPossible_Utf8WithBomWhenNot) {
    EXPECT_EQ(EncodeTextFile("Müller").bytes, "M\xFCller");
    EXPECT_EQ(EncodeTextFile("Müller").encoding, TextFileEncoding::Windows1252);
    const EncodedText czech = EncodeTextFile("Dvořák");
    EXPECT_EQ(czech.encoding, TextFileEncoding::Utf8WithBom);
    EXPECT_EQ(czech.bytes, "\xEF\xBB\xBF"
                           "Dvořák");
}

TEST(TextFileEncoding, SingleBytesThatWouldReadAsUtf8_AreWrittenAsUtf8Instead) {
    // "Ã¤" in Windows-1252 is C3 A4, which is also the UTF-8 of "ä".
    const EncodedText text = EncodeTextFile("Ã¤");
    EXPECT_EQ(text.encoding, TextFileEncoding::Utf8WithBom);
    EXPECT_EQ(DecodeTextFile(text.bytes), "Ã¤");
    // In Windows-1252 this begins with EF BB BF, and the ü keeps the rest from being UTF-8.
    EXPECT_EQ(DecodeTextFile(EncodeTextFile("ï»¿Müller").bytes), "ï»¿Müller");
}

TEST(TextFileEncoding, DecodingRecognisesBomThenUtf8ThenFallsBackToWindows1252) {
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF"
                             "Dvořák"),
              "Dvořák");
    EXPECT_EQ(DecodeTextFile("Dvořák"), "Dvořák");
    EXPECT_EQ(DecodeTextFile("M\xFCller"), "Müller");
    EXPECT_EQ(DecodeTextFile("plain"), "plain");
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF"
                             "a\xFC"),
              "a\xEF\xBF\xBD")
        << "a broken byte after a BOM is marked";
}

} // namespace
} // namespace caniparc
