// A pull reader for the XML parts of spreadsheet files: one element or text at a time, straight
// from the bytes, with no tree and no recursion. A part of millions of empty elements then costs
// a pass over its bytes instead of a node each, and nesting deeper than any sheet needs is
// refused instead of exhausting the stack of whatever walks it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

class XmlPull {
public:
    enum class Event { Start, End, Text, Done, Error };

    // Far deeper than any office part nests (a sheet cell's text is about eight deep).
    static constexpr int kMaxDepth = 64;
    // A cell holds at most 32 767 characters; one text a thousand times as long is no sheet's.
    static constexpr std::size_t kMaxText = 32u * 1024u * 1024u / 32u;

    // The bytes must outlive the reader.
    explicit XmlPull(std::string_view xml) : xml_(xml) {}

    // The next event. An empty element gives Start and End; comments, processing instructions
    // and the document type give none. After Done or Error every call gives the same again.
    Event Next();

    // The local name (without its prefix) of the element a Start or End event belongs to.
    std::string_view Name() const { return name_; }
    // The Start event's attribute of this local name, with its references resolved; empty when
    // it has none.
    std::string Attribute(std::string_view local) const;
    bool HasAttribute(std::string_view local) const;
    // The text of a Text event, references resolved, CDATA included.
    const std::string& Text() const { return text_; }
    // Elements open around the current event; a Start event counts its own element.
    int Depth() const { return static_cast<int>(open_.size()); }
    // Why Next gave Error: nesting beyond kMaxDepth, a text beyond kMaxText, or XML that is not
    // well formed.
    bool TooDeep() const { return tooDeep_; }
    bool TooLong() const { return tooLong_; }
    // Passes over the rest of the innermost open element's content, so that the next event is its
    // End, at the cost of a search for its end tag instead of reading each element inside. The
    // content is not checked.
    void SkipContent();
    // Start events so far.
    std::size_t Elements() const { return elements_; }

private:
    struct RawAttribute {
        std::string_view name; // local
        std::string_view value;
    };

    Event Fail(bool tooDeep = false, bool tooLong = false);
    Event StartTag();
    Event EndTag();
    bool SkipMarkup(); // comments, processing instructions, document type; false when unterminated
    bool ReadCdata();
    void ReadText();

    std::string_view xml_;
    std::size_t pos_ = 0;
    std::vector<std::string_view> open_; // qualified names, for matching the end tags
    std::vector<RawAttribute> attributes_;
    std::string_view name_;
    std::string text_;
    std::size_t elements_ = 0;
    bool pendingEnd_ = false; // an empty element's End follows its Start
    bool done_ = false;
    bool failed_ = false;
    bool tooDeep_ = false;
    bool tooLong_ = false;
};

// Appends text with its references (&amp; &#233; ...) resolved; an unknown or broken reference
// stays as written, a reference to a character XML cannot hold becomes U+FFFD.
void AppendXmlUnescaped(std::string& out, std::string_view raw);

} // namespace caniparc
