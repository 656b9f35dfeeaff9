// The registry-backed settings store (see WindowsRegistryStore.h). The wide-character API is
// used throughout: the registry keeps texts in UTF-16 anyway, and values written by older
// programs through the ANSI API read back correctly through it.
#include "settings/WindowsRegistryStore.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <exception>
#include <string_view>
#include <vector>

namespace caniparc {
namespace {

std::wstring WideFromUtf8(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

// Closes the key on every way out.
class OpenKey {
public:
    OpenKey() = default;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() {
        if (handle)
            RegCloseKey(handle);
    }
    HKEY handle = nullptr;
};

// Texts up to their first terminator; an odd trailing byte is no character and is dropped.
std::string TextFromRegistryBytes(const BYTE* data, DWORD size) {
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    if (!wide.empty())
        std::memcpy(wide.data(), data, wide.size() * sizeof(wchar_t));
    if (const auto end = wide.find(L'\0'); end != std::wstring::npos)
        wide.resize(end);
    return Utf8FromWide(wide);
}

StoredValue ValueFromRegistry(DWORD type, const BYTE* data, DWORD size) {
    if (type == REG_DWORD && size == sizeof(DWORD))
        return StoredValue::Dword(data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24);
    if (type == REG_BINARY)
        return StoredValue::Binary(std::vector<std::uint8_t>(data, data + size));
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        StoredValue value = StoredValue::String(TextFromRegistryBytes(data, size));
        value.kind = type == REG_SZ ? ValueKind::String : ValueKind::ExpandString;
        return value;
    }
    StoredValue value; // any other type, or a dword of the wrong size: a wrong type to the reader
    value.otherType = type;
    value.bytes.assign(data, data + size);
    return value;
}

LSTATUS SetBytes(HKEY key, const std::wstring& name, DWORD type, const void* data, std::size_t size) {
    return RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

LSTATUS SetText(HKEY key, const std::wstring& name, DWORD type, const std::string& text) {
    const std::wstring wide = WideFromUtf8(text);
    return SetBytes(key, name, type, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

bool SetValue(HKEY key, const NamedValue& named) {
    const std::wstring name = WideFromUtf8(named.name);
    const StoredValue& value = named.value;
    LSTATUS status = ERROR_INVALID_DATA;
    switch (value.kind) {
    case ValueKind::Dword: {
        const DWORD dword = value.dword;
        status = SetBytes(key, name, REG_DWORD, &dword, sizeof dword);
        break;
    }
    case ValueKind::Binary:
        status = SetBytes(key, name, REG_BINARY, value.bytes.data(), value.bytes.size());
        break;
    case ValueKind::String:
        status = SetText(key, name, REG_SZ, value.text);
        break;
    case ValueKind::ExpandString:
        status = SetText(key, name, REG_EXPAND_SZ, value.text);
        break;
    case ValueKind::Other:
        status = SetBytes(key, name, value.otherType, value.bytes.data(), value.bytes.size());
        break;
    }
    return status == ERROR_SUCCESS;
}

StoredValues ReadAllValues(HKEY key) {
    StoredValues values;
    DWORD count = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return values;
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData + 2);
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        // A value changed meanwhile (ERROR_MORE_DATA) or gone is skipped: it reads as missing.
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) ==
            ERROR_SUCCESS)
            values.insert_or_assign(Utf8FromWide(std::wstring_view(name.data(), nameLength)),
                                    ValueFromRegistry(type, data.data(), dataSize));
    }
    return values;
}

} // namespace

WindowsRegistryStore::WindowsRegistryStore(const std::string& programTitle)
    : keyPath_(L"Software\\Kronolux\\" + WideFromUtf8(programTitle)) {}

std::optional<StoredValues> WindowsRegistryStore::Load() const {
    try {
        OpenKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &key.handle) != ERROR_SUCCESS)
            return std::nullopt;
        return ReadAllValues(key.handle);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool WindowsRegistryStore::Save(const std::vector<NamedValue>& values) {
    try {
        OpenKey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                            nullptr, &key.handle, nullptr) != ERROR_SUCCESS)
            return false;
        bool allWritten = true;
        for (const NamedValue& value : values)
            allWritten = SetValue(key.handle, value) && allWritten; // write the rest even after a refusal
        return allWritten;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace caniparc
