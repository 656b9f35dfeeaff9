// The result page: one static HTML page with the titles, the course data and the result table,
// place column first. It is also what the station prints.
#pragma once

#include "settings/FileAccess.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace caniparc {

class ProtocolTable;
struct Settings;

// A text from the settings or the table as it goes into the page: the page is Latin-1, so
// characters beyond it become numeric references, and &, <, > and " become entities, so that a
// name shows as typed and no starter list can put markup into the page.
std::string HtmlText(std::string_view utf8);

// The page's bytes, every line ended by CR LF. On paper the dark page background stays white,
// so the printed page writes its titles and credit line in dark colours instead of light ones.
// The title's picture is a letter of the Webdings font; where that font is missing the letter
// itself would show, so whoever renders the page without it leaves `titlePicture` off.
std::string FormatHtmlPage(const ProtocolTable& table, const Settings& settings, bool forPaper = false,
                           bool titlePicture = true);

// Where the web and print commands write the page: the backup folder, which the station knows
// to be writable, not the process's current folder.
std::filesystem::path HtmlPagePath(const Settings& settings);

// Replaces the file in one step; the result says why when it could not.
FileResult WriteHtmlPage(FileSystem& fs, const ProtocolTable& table, const Settings& settings,
                         const std::filesystem::path& path);

// The message the station shows when the page could not be written.
std::string HtmlWriteErrorText(const FileResult& result);

} // namespace caniparc
