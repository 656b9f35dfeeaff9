// The pull reader for XML parts (see XmlPull.h).
#include "export/XmlPull.h"

#include "common/Encoding.h"

#include <charconv>

namespace caniparc {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameEnd(char c) {
    return IsSpace(c) || c == '/' || c == '>' || c == '=';
}

std::string_view LocalPart(std::string_view qualified) {
    const std::size_t colon = qualified.find(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

// A character reference's text without "&#" and ";"; false when it is none.
bool AppendCharacterReference(std::string& out, std::string_view digits) {
    const bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
    if (hex)
        digits.remove_prefix(1);
    std::uint32_t value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size())
        return false;
    const bool allowed = value == 0x9 || value == 0xA || value == 0xD || (value >= 0x20 && value < 0xD800) ||
                         (value >= 0xE000 && value <= 0xFFFD) || (value >= 0x10000 && value <= 0x10FFFF);
    AppendUtf8(out, allowed ? static_cast<char32_t>(value) : U'\uFFFD');
    return true;
}

} // namespace

void AppendXmlUnescaped(std::string& out, std::string_view raw) {
    std::size_t start = 0;
    while (true) {
        const std::size_t amp = raw.find('&', start);
        out.append(raw.substr(start, amp == std::string_view::npos ? std::string_view::npos : amp - start));
        if (amp == std::string_view::npos)
            return;
        const std::size_t semi = raw.find(';', amp);
        const std::string_view name = semi == std::string_view::npos || semi - amp > 12
                                          ? std::string_view()
                                          : raw.substr(amp + 1, semi - amp - 1);
        bool known = true;
        if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name == "amp")
            out += '&';
        else if (name == "quot")
            out += '"';
        else if (name == "apos")
            out += '\'';
        else
            known = name.starts_with('#') && AppendCharacterReference(out, name.substr(1));
        if (!known) {
            out += '&';
            start = amp + 1;
            continue;
        }
        start = semi + 1;
    }
}

XmlPull::Event XmlPull::Fail(bool tooDeep, bool tooLong) {
    failed_ = true;
    tooDeep_ = tooDeep;
    tooLong_ = tooLong;
    return Event::Error;
}

XmlPull::Event XmlPull::Next() {
    if (failed_)
        return Event::Error;
    if (done_)
        return Event::Done;
    if (pendingEnd_) {
        pendingEnd_ = false;
        open_.pop_back();
        return Event::End;
    }
    while (pos_ < xml_.size()) {
        if (xml_[pos_] != '<') {
            if (std::min(xml_.find('<', pos_), xml_.size()) - pos_ > kMaxText)
                return Fail(false, true);
            ReadText();
            if (open_.empty()) // text outside the root: only blanks are allowed there
                continue;
            return Event::Text;
        }
        const std::string_view rest = xml_.substr(pos_);
        if (rest.starts_with("<![CDATA[")) {
            if (!ReadCdata())
                return Fail();
            if (open_.empty())
                return Fail();
            return Event::Text;
        }
        if (rest.starts_with("<!") || rest.starts_with("<?")) {
            if (!SkipMarkup())
                return Fail();
            continue;
        }
        return rest.starts_with("</") ? EndTag() : StartTag();
    }
    if (!open_.empty())
        return Fail();
    done_ = true;
    return Event::Done;
}

void XmlPull::ReadText() {
    const std::size_t end = std::min(xml_.find('<', pos_), xml_.size());
    text_.clear();
    std::string_view raw = xml_.substr(pos_, end - pos_);
    std::string lines; // line ends as XML reads them: CR LF and a lone CR are one LF
    if (raw.find('\r') != std::string_view::npos) {
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\r')
                lines += raw[i];
            else if (i + 1 >= raw.size() || raw[i + 1] != '\n')
                lines += '\n';
        }
        raw = lines;
    }
    AppendXmlUnescaped(text_, raw);
    pos_ = end;
}

bool XmlPull::ReadCdata() {
    const std::size_t start = pos_ + 9;
    const std::size_t end = xml_.find("]]>", start);
    if (end == std::string_view::npos || end - start > kMaxText)
        return false;
    text_.assign(xml_.substr(start, end - start));
    pos_ = end + 3;
    return true;
}

bool XmlPull::SkipMarkup() {
    const std::string_view rest = xml_.substr(pos_);
    std::size_t end = std::string_view::npos;
    if (rest.starts_with("<!--")) {
        end = rest.find("-->", 4);
        end = end == std::string_view::npos ? end : end + 3;
    } else if (rest.starts_with("<?")) {
        end = rest.find("?>", 2);
        end = end == std::string_view::npos ? end : end + 2;
    } else { // a document type, perhaps with declarations in brackets; its entities are not used
        int brackets = 0;
        for (std::size_t i = 2; i < rest.size() && end == std::string_view::npos; ++i) {
            brackets += rest[i] == '[' ? 1 : rest[i] == ']' ? -1 : 0;
            if (rest[i] == '>' && brackets <= 0)
                end = i + 1;
        }
    }
    if (end == std::string_view::npos)
        return false;
    pos_ += end;
    return true;
}

XmlPull::Event XmlPull::StartTag() {
    std::size_t i = pos_ + 1;
    const std::size_t nameStart = i;
    while (i < xml_.size() && !IsNameEnd(xml_[i]))
        ++i;
    if (i == nameStart || i >= xml_.size())
        return Fail();
    const std::string_view qualified = xml_.substr(nameStart, i - nameStart);
    attributes_.clear();
    while (true) {
        while (i < xml_.size() && IsSpace(xml_[i]))
            ++i;
        if (i >= xml_.size())
            return Fail();
        if (xml_[i] == '>' || (xml_[i] == '/' && i + 1 < xml_.size() && xml_[i + 1] == '>'))
            break;
        const std::size_t attrStart = i;
        while (i < xml_.size() && !IsNameEnd(xml_[i]))
            ++i;
        const std::string_view attrName = xml_.substr(attrStart, i - attrStart);
        while (i < xml_.size() && IsSpace(xml_[i]))
            ++i;
        if (attrName.empty() || i >= xml_.size() || xml_[i] != '=')
            return Fail();
        ++i;
        while (i < xml_.size() && IsSpace(xml_[i]))
            ++i;
        if (i >= xml_.size() || (xml_[i] != '"' && xml_[i] != '\''))
            return Fail();
        const std::size_t close = xml_.find(xml_[i], i + 1);
        if (close == std::string_view::npos)
            return Fail();
        attributes_.push_back({LocalPart(attrName), xml_.substr(i + 1, close - i - 1)});
        i = close + 1;
    }
    const bool empty = xml_[i] == '/';
    pos_ = i + (empty ? 2 : 1);
    if (open_.size() >= kMaxDepth)
        return Fail(true);
    open_.push_back(qualified);
    ++elements_;
    name_ = LocalPart(qualified);
    pendingEnd_ = empty;
    return Event::Start;
}

XmlPull::Event XmlPull::EndTag() {
    const std::size_t close = xml_.find('>', pos_);
    if (close == std::string_view::npos || open_.empty())
        return Fail();
    std::string_view qualified = xml_.substr(pos_ + 2, close - pos_ - 2);
    while (!qualified.empty() && IsSpace(qualified.back()))
        qualified.remove_suffix(1);
    if (qualified != open_.back())
        return Fail();
    name_ = LocalPart(qualified);
    open_.pop_back();
    pos_ = close + 1;
    if (open_.empty()) // whatever follows the root may only be blanks, comments and instructions
        attributes_.clear();
    return Event::End;
}

void XmlPull::SkipContent() {
    if (pendingEnd_ || open_.empty() || failed_)
        return;
    const std::string endTag = "</" + std::string(open_.back());
    for (std::size_t at = xml_.find(endTag, pos_); at != std::string_view::npos; at = xml_.find(endTag, at + 1)) {
        const char after = at + endTag.size() < xml_.size() ? xml_[at + endTag.size()] : '\0';
        if (after == '>' || IsSpace(after)) {
            pos_ = at;
            return;
        }
    }
    pos_ = xml_.size(); // no end tag: the reading fails at the end
}

std::string XmlPull::Attribute(std::string_view local) const {
    std::string value;
    for (const RawAttribute& a : attributes_) {
        if (a.name == local) {
            AppendXmlUnescaped(value, a.value);
            break;
        }
    }
    return value;
}

bool XmlPull::HasAttribute(std::string_view local) const {
    for (const RawAttribute& a : attributes_)
        if (a.name == local)
            return true;
    return false;
}

} // namespace caniparc
