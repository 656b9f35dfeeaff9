// Escaping for the live results: every text a starter list or an operator typed reaches phones
// on the ground's network, so none of it may become markup or script there.
#pragma once

#include <string>
#include <string_view>

namespace caniparc {

// For HTML text and double-quoted attribute values: & < > " ' become character references.
// Invalid UTF-8 becomes U+FFFD first, so a damaged name cannot swallow the markup after it.
std::string HtmlEscape(std::string_view text);

// The contents of a JSON string (without the quotes). Besides what JSON demands, < > & and
// U+2028/U+2029 are written as \u escapes, so the text is also safe inside an HTML script.
std::string JsonEscape(std::string_view text);

} // namespace caniparc
