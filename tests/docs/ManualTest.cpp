// The operator's manual against what it documents: every key of the README's key table is
// explained in the manual, every picture the manual shows is there, and the page loads nothing
// from elsewhere (it must work at a ring without a network).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = CANIPARC_SOURCE_DIR;
const fs::path kManual = kSource / "docs" / "handbuch" / "caniparc.html";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The keys in the first column of the README's table under "## Keyboard", one by one:
// "Ctrl+1, Ctrl+2 (also Ctrl+End, Ctrl+Down)" gives four keys.
std::vector<std::string> ReadmeKeys() {
    std::istringstream readme(ReadFile(kSource / "README.md"));
    std::vector<std::string> keys;
    bool inSection = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.starts_with("## "))
            inSection = line == "## Keyboard";
        if (!inSection || !line.starts_with("| ") || line.starts_with("| Key ") || line.starts_with("|---"))
            continue;
        std::string cell = line.substr(2, line.find(" |", 2) - 2);
        cell = std::regex_replace(cell, std::regex(R"(\(also ([^)]*)\))"), ", $1");
        std::istringstream parts(cell);
        for (std::string key; std::getline(parts, key, ',');)
            if (!Trim(key).empty())
                keys.push_back(Trim(key));
    }
    return keys;
}

// The manual names keys as a German keyboard labels them.
std::string GermanKey(std::string key) {
    const std::pair<const char*, const char*> words[] = {
        {"Ctrl", "Strg"},
        {"keypad plus", "Ziffernblock-Plus"},
        {"keypad minus", "Ziffernblock-Minus"},
        {"+minus", "+Minus"},
        {"+End", "+Ende"},
        {"+Down", "+Pfeil-ab"},
    };
    for (const auto& [english, german] : words)
        key = std::regex_replace(key, std::regex(std::regex_replace(english, std::regex(R"([+])"), R"(\+)")), german);
    return key;
}

std::vector<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1].str());
    return found;
}

TEST(Manual, ExplainsEveryKeyOfTheReadmesKeyTable) {
    const std::string manual = ReadFile(kManual);
    ASSERT_FALSE(manual.empty()) << kManual;
    const std::vector<std::string> keys = ReadmeKeys();
    ASSERT_GE(keys.size(), 30u) << "the README's key table was not found";
    for (const std::string& key : keys)
        EXPECT_NE(manual.find("<kbd>" + GermanKey(key) + "</kbd>"), std::string::npos)
            << key << " (as <kbd>" << GermanKey(key) << "</kbd>)";
}

TEST(Manual, EveryPictureItShowsExistsAndNothingComesFromElsewhere) {
    const std::string manual = ReadFile(kManual);
    const std::vector<std::string> pictures = Matches(manual, std::regex(R"re(<img[^>]*\ssrc="([^"]*)")re"));
    ASSERT_GE(pictures.size(), 6u);
    for (const std::string& picture : pictures) {
        EXPECT_EQ(picture.find(':'), std::string::npos) << picture << ": only pictures shipped beside the manual";
        EXPECT_TRUE(fs::is_regular_file(kManual.parent_path() / picture)) << picture;
    }
    for (const char* outside : {"<script", "<link", "@import", "url("})
        EXPECT_EQ(manual.find(outside), std::string::npos) << outside;
    for (const std::string& target : Matches(manual, std::regex(R"re(href="([^"]*)")re")))
        EXPECT_TRUE(target.starts_with("#")) << target << ": links stay inside the page";
}

TEST(Manual, EveryAnchorTheContentsListNamesExists) {
    const std::string manual = ReadFile(kManual);
    const std::vector<std::string> ids = Matches(manual, std::regex(R"re(\sid="([^"]*)")re"));
    const std::vector<std::string> links = Matches(manual, std::regex(R"re(href="#([^"]*)")re"));
    ASSERT_GE(links.size(), 8u);
    for (const std::string& link : links)
        EXPECT_NE(std::find(ids.begin(), ids.end(), link), ids.end()) << "#" << link;
}

TEST(Manual, ManualPagePointsToIt) {
    const std::string page = ReadFile(kSource / "resources" / "desktop" / "caniparc.1");
    EXPECT_NE(page.find("/usr/share/caniparc/caniparc.html"), std::string::npos);
    EXPECT_NE(ReadFile(kSource / "README.md").find("docs/handbuch/caniparc.html"), std::string::npos);
}

} // namespace
