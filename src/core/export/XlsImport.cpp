// Reading .xls workbooks (see XlsImport.h): the compound file's "Workbook" stream, then the
// records of its first worksheet. Every chain and record is bounded by the file's own size.
#include "export/XlsImport.h"

#include "common/Encoding.h"
#include "settings/Settings.h"

#if CANIPARC_OFFICE
#include <freexl.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace caniparc {
namespace {

std::uint32_t Get32(std::string_view b, std::size_t at) {
    if (at + 4 > b.size())
        return 0xFFFFFFFF;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

unsigned Get16(std::string_view b, std::size_t at) {
    if (at + 2 > b.size())
        return 0;
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8);
}

double GetDouble(std::string_view b, std::size_t at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

// The compound file (OLE2) container, read far enough to take one stream out of it.
class CompoundFile {
public:
    explicit CompoundFile(std::string_view bytes) : b_(bytes) {}

    std::optional<std::string> Stream(std::u16string_view wanted) {
        const unsigned shift = Get16(b_, 0x1E);
        if (b_.size() < 512 || (shift != 9 && shift != 12) || Get16(b_, 0x20) != 6)
            return std::nullopt;
        sector_ = std::size_t{1} << shift;
        if (!ReadFat())
            return std::nullopt;
        const std::string directory = Chain(fat_, Get32(b_, 0x30), SIZE_MAX, sector_);
        std::string root;
        for (std::size_t at = 0; at + 128 <= directory.size(); at += 128) {
            const std::string_view entry = std::string_view(directory).substr(at, 128);
            const unsigned type = static_cast<unsigned char>(entry[0x42]);
            const std::uint32_t start = Get32(entry, 0x74), size = Get32(entry, 0x78);
            if (type == 5) {
                root = Chain(fat_, start, size, sector_);
                continue;
            }
            if (type != 2 || Name(entry) != wanted)
                continue;
            if (size >= Get32(b_, 0x38))
                return Chain(fat_, start, size, sector_);
            std::vector<std::uint32_t> miniFat;
            const std::string mini = Chain(fat_, Get32(b_, 0x3C), SIZE_MAX, sector_);
            for (std::size_t k = 0; k + 4 <= mini.size(); k += 4)
                miniFat.push_back(Get32(mini, k));
            return ChainIn(root, miniFat, start, size, 64);
        }
        return std::nullopt;
    }

private:
    static std::u16string Name(std::string_view entry) {
        std::u16string name;
        const unsigned length = std::min(Get16(entry, 0x40), 64u);
        for (unsigned k = 0; k + 2 < length + 1 && k + 1 < 64; k += 2)
            name += static_cast<char16_t>(Get16(entry, k));
        while (!name.empty() && name.back() == u'\0')
            name.pop_back();
        return name;
    }

    bool ReadFat() {
        std::vector<std::uint32_t> sectors;
        for (std::size_t k = 0; k < 109; ++k)
            sectors.push_back(Get32(b_, 0x4C + 4 * k));
        std::uint32_t next = Get32(b_, 0x44);
        for (std::size_t hops = 0; next < kEndOfChain - 4 && hops < b_.size() / sector_; ++hops) {
            const std::size_t at = (next + std::size_t{1}) * sector_;
            if (at + sector_ > b_.size())
                return false;
            for (std::size_t k = 0; k + 1 < sector_ / 4; ++k)
                sectors.push_back(Get32(b_, at + 4 * k));
            next = Get32(b_, at + sector_ - 4);
        }
        for (const std::uint32_t s : sectors) {
            if (s >= kEndOfChain - 4)
                continue;
            const std::size_t at = (s + std::size_t{1}) * sector_;
            if (at + sector_ > b_.size())
                return false;
            for (std::size_t k = 0; k < sector_ / 4; ++k)
                fat_.push_back(Get32(b_, at + 4 * k));
        }
        return !fat_.empty();
    }

    // A chain of sectors of the file (offset: the header's sector) or of the mini stream.
    std::string Chain(const std::vector<std::uint32_t>& table, std::uint32_t start, std::size_t size,
                      std::size_t unit) const {
        std::string out;
        for (std::uint32_t s = start; s < table.size() && out.size() < size && out.size() <= b_.size(); s = table[s]) {
            const std::size_t at = (s + std::size_t{1}) * unit;
            if (at >= b_.size())
                break;
            out.append(b_.substr(at, unit));
        }
        if (size != SIZE_MAX && out.size() > size)
            out.resize(size);
        return out;
    }
    static std::string ChainIn(const std::string& container, const std::vector<std::uint32_t>& table,
                               std::uint32_t start, std::size_t size, std::size_t unit) {
        std::string out;
        for (std::uint32_t s = start; s < table.size() && out.size() < size && out.size() <= container.size();
             s = table[s]) {
            const std::size_t at = s * unit;
            if (at >= container.size())
                break;
            out.append(std::string_view(container).substr(at, unit));
        }
        if (out.size() > size)
            out.resize(size);
        return out;
    }

    std::string_view b_;
    std::size_t sector_ = 512;
    std::vector<std::uint32_t> fat_;
};

// An RK number: a 30-bit integer or the top of a double, perhaps divided by 100.
double RkValue(std::uint32_t rk) {
    double value = 0;
    if (rk & 2) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return rk & 1 ? value / 100 : value;
}

// A BIFF8 string body: flags byte, then one or two bytes per character.
std::string BiffText(std::string_view body, unsigned count) {
    if (body.empty())
        return {};
    const bool wide = body[0] & 1;
    std::u16string units;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = 1 + k * (wide ? 2 : 1);
        if (at + (wide ? 2 : 1) > body.size())
            break;
        units += static_cast<char16_t>(wide ? Get16(body, at) : static_cast<unsigned char>(body[at]));
    }
    std::string out;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const char32_t u = units[k];
        if (u >= 0xD800 && u < 0xDC00 && k + 1 < units.size() && units[k + 1] >= 0xDC00 && units[k + 1] < 0xE000) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[k + 1] - 0xDC00));
            ++k;
        } else {
            AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? U'\uFFFD' : u);
        }
    }
    return out;
}

const char* ErrorText(unsigned code) {
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    default:
        return "#N/A";
    }
}

// A formula made only of texts joined with & (="Ce"&"sar"): its text, which some office programs
// store no result for. nullopt for any other formula.
std::optional<std::string> ConstantText(std::string_view tokens) {
    std::vector<std::string> stack;
    for (std::size_t at = 0; at < tokens.size();) {
        const auto token = static_cast<unsigned char>(tokens[at]);
        if (token == 0x17 && at + 2 < tokens.size()) { // a text
            const unsigned count = static_cast<unsigned char>(tokens[at + 1]);
            const bool wide = tokens[at + 2] & 1;
            const std::size_t length = 2 + std::size_t{count} * (wide ? 2 : 1);
            if (at + 1 + length > tokens.size())
                return std::nullopt;
            stack.push_back(BiffText(tokens.substr(at + 2, length - 1), count));
            at += 1 + length;
        } else if (token == 0x08 && stack.size() >= 2) { // &
            stack[stack.size() - 2] += stack.back();
            stack.pop_back();
            ++at;
        } else if (token == 0x15) { // parentheses
            ++at;
        } else {
            return std::nullopt;
        }
    }
    if (stack.size() != 1)
        return std::nullopt;
    return stack.front();
}

// The offset of the first worksheet's records, from the workbook globals' sheet list.
std::optional<std::size_t> FirstWorksheet(std::string_view s) {
    for (std::size_t at = 0; at + 4 <= s.size();) {
        const unsigned type = Get16(s, at), length = Get16(s, at + 2);
        if (type == 0x000A)
            break;
        if (type == 0x0085 && length >= 6 && at + 10 <= s.size() && static_cast<unsigned char>(s[at + 4 + 5]) == 0)
            return Get32(s, at + 4);
        at += 4 + length;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::map<std::pair<unsigned, unsigned>, XlsValue>> ReadXlsValues(std::string_view bytes) {
    CompoundFile file(bytes);
    std::optional<std::string> stream = file.Stream(u"Workbook");
    if (!stream)
        return std::nullopt;
    const std::string_view s = *stream;
    const auto sheet = FirstWorksheet(s);
    if (!sheet)
        return std::nullopt;
    std::map<std::pair<unsigned, unsigned>, XlsValue> values;
    const auto put = [&](unsigned row, unsigned col, XlsValue value) {
        if (col < kSheetColumns && row <= MaxImportRows)
            values[{row, col}] = std::move(value);
    };
    std::pair<unsigned, unsigned> pendingString{~0u, ~0u};
    for (std::size_t at = *sheet; at + 4 <= s.size();) {
        const unsigned type = Get16(s, at), length = Get16(s, at + 2);
        const std::string_view r = s.substr(at + 4, std::min<std::size_t>(length, s.size() - at - 4));
        at += 4 + length;
        if (type == 0x000A)
            break;
        if (type == 0x0203 && r.size() >= 14) { // NUMBER
            put(Get16(r, 0), Get16(r, 2), {XlsValue::Kind::Number, GetDouble(r, 6), {}, false});
        } else if (type == 0x027E && r.size() >= 10) { // RK
            put(Get16(r, 0), Get16(r, 2), {XlsValue::Kind::Number, RkValue(Get32(r, 6)), {}, false});
        } else if (type == 0x00BD && r.size() >= 6) { // MULRK
            const unsigned row = Get16(r, 0), first = Get16(r, 2);
            for (std::size_t k = 0; 4 + k * 6 + 6 <= r.size(); ++k)
                put(row, first + static_cast<unsigned>(k),
                    {XlsValue::Kind::Number, RkValue(Get32(r, 4 + k * 6 + 2)), {}, false});
        } else if (type == 0x0006 && r.size() >= 20) { // FORMULA with its cached result
            const unsigned row = Get16(r, 0), col = Get16(r, 2);
            pendingString = {~0u, ~0u};
            const std::string_view tokens =
                r.size() < 22 ? std::string_view() : r.substr(22, std::min<std::size_t>(Get16(r, 20), r.size() - 22));
            const bool textOperator = !tokens.empty() && tokens.back() == 0x08;
            if (const auto text = ConstantText(tokens)) {
                put(row, col, {XlsValue::Kind::Text, 0, *text, true});
            } else if (Get16(r, 12) != 0xFFFF && textOperator) { // a text formula with a number stored
                put(row, col, {XlsValue::Kind::Missing, 0, {}, true});
            } else if (Get16(r, 12) != 0xFFFF) {
                put(row, col, {XlsValue::Kind::Number, GetDouble(r, 6), {}, true});
            } else if (r[6] == 0) { // the text follows in a STRING record
                put(row, col, {XlsValue::Kind::Missing, 0, {}, true});
                pendingString = {row, col};
            } else if (r[6] == 1) {
                put(row, col, {XlsValue::Kind::Text, 0, r[8] ? "WAHR" : "FALSCH", true});
            } else if (r[6] == 2) {
                put(row, col, {XlsValue::Kind::Text, 0, ErrorText(static_cast<unsigned char>(r[8])), true});
            } else {
                put(row, col, {XlsValue::Kind::Text, 0, {}, true});
            }
        } else if (type == 0x0207 && r.size() >= 3 && pendingString.first != ~0u) { // STRING
            put(pendingString.first, pendingString.second,
                {XlsValue::Kind::Text, 0, BiffText(r.substr(2), Get16(r, 0)), true});
            pendingString = {~0u, ~0u};
        }
    }
    return values;
}

#if CANIPARC_OFFICE
namespace {

// freexl's date text "2026-03-15" as the protocol writes dates.
std::string GermanDate(const char* iso) {
    const std::string text = iso ? iso : "";
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return text;
    return text.substr(8, 2) + "." + text.substr(5, 2) + "." + text.substr(0, 4);
}

void PutCell(SheetBuilder& builder, int col, const FreeXL_CellValue& cell, const XlsValue* stored) {
    const bool number = stored && stored->kind == XlsValue::Kind::Number;
    if (stored && stored->formula && stored->kind == XlsValue::Kind::Missing)
        return; // refused by the caller
    if (stored && stored->formula && stored->kind == XlsValue::Kind::Text)
        builder.Cell(col, stored->text); // the cell reader has no text for a formula
    else if (cell.type == FREEXL_CELL_INT)
        builder.Number(col, cell.value.int_value);
    else if (cell.type == FREEXL_CELL_DOUBLE)
        builder.Number(col, cell.value.double_value);
    else if (cell.type == FREEXL_CELL_TIME && number)
        builder.Number(col, stored->number, NumberKind::Duration);
    else if (cell.type == FREEXL_CELL_DATETIME && number)
        builder.Number(col, stored->number, NumberKind::DateTime);
    else if (cell.type == FREEXL_CELL_DATE)
        builder.Cell(col, GermanDate(cell.value.text_value));
    else if (cell.type != FREEXL_CELL_NULL && cell.value.text_value)
        builder.Cell(col, cell.value.text_value);
    else if (number)
        builder.Number(col, stored->number);
    else if (stored && stored->kind == XlsValue::Kind::Text)
        builder.Cell(col, stored->text);
}

} // namespace

SheetImport ReadXls(const std::string& path, std::string_view bytes, const Settings& settings,
                    const SheetMessages& say) {
    const auto stored = ReadXlsValues(bytes);
    const void* handle = nullptr;
    if (freexl_open(path.c_str(), &handle) != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        return {{}, say.Damaged()};
    }
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &cols) != FREEXL_OK) {
        freexl_close(handle);
        return {{}, say.NoSheet()};
    }
    SheetBuilder builder(settings);
    std::string error;
    for (unsigned int r = 0; r < rows && error.empty() && builder.StartRow(r); ++r) {
        for (unsigned short c = 0; c < kSheetColumns; ++c) {
            FreeXL_CellValue cell{};
            cell.type = FREEXL_CELL_NULL;
            if (c < cols && freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK)
                cell.type = FREEXL_CELL_NULL;
            const XlsValue* value = nullptr;
            if (stored) {
                const auto found = stored->find({r, c});
                value = found == stored->end() ? nullptr : &found->second;
            }
            if (value && value->kind == XlsValue::Kind::Missing) {
                error = say.NoValue(c, r);
                break;
            }
            PutCell(builder, c, cell, value);
        }
        if (!error.empty() || !builder.EndRow())
            break;
        if (builder.TooMany())
            error = say.TooMany();
    }
    freexl_close(handle);
    if (!error.empty())
        return {{}, error};
    return {builder.Finish(), {}};
}
#endif

} // namespace caniparc
