#include "settings/Inifile.h"

#include "files/Regularfile.h"
#include "settings/Durablefile.h"
#include "settings/Trimblanks.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

bool HasOuterQuotes(std::string_view value) {
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front();
}

bool NeedsQuoting(std::string_view value) {
    if (value.empty()) {
        return false;
    }
    return IsBlank(value.front()) || IsBlank(value.back()) || HasOuterQuotes(value) ||
           value.find_first_of("\r\n") != std::string_view::npos;
}

std::string EncodeValue(std::string_view value) {
    if (!NeedsQuoting(value)) {
        return std::string(value);
    }
    std::string encoded = "\"";
    for (const char c : value) {
        switch (c) {
        case '\\':
            encoded += "\\\\";
            break;
        case '\r':
            encoded += "\\r";
            break;
        case '\n':
            encoded += "\\n";
            break;
        default:
            encoded += c;
        }
    }
    encoded += '"';
    return encoded;
}

std::string DecodeValue(std::string_view stored) {
    if (!HasOuterQuotes(stored)) {
        return std::string(stored);
    }
    const bool escaped = stored.front() == '"';
    const std::string_view body = stored.substr(1, stored.size() - 2);
    if (!escaped) {
        return std::string(body);
    }
    std::string value;
    value.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char next = i + 1 < body.size() ? body[i + 1] : '\0';
        if (body[i] == '\\' && (next == '\\' || next == 'r' || next == 'n')) {
            value += next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
            ++i;
        } else {
            value += body[i];
        }
    }
    return value;
}

[[maybe_unused]] bool IsValidName(std::string_view name, std::string_view forbidden) {
    return !name.empty() && !IsBlank(name.front()) && !IsBlank(name.back()) &&
           name.find_first_of(forbidden) == std::string_view::npos;
}

} // namespace

IniFile IniFile::Parse(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    IniFile file;
    Section* current = nullptr;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        line = TrimBlanks(line);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close != std::string_view::npos) {
                const std::string_view name = TrimBlanks(line.substr(1, close - 1));
                file.sections_.push_back({std::string(name), {}});
                current = &file.sections_.back();
            }
            continue;
        }
        const auto equals = line.find('=');
        const std::string_view key = TrimBlanks(line.substr(0, equals));
        if (current == nullptr || equals == std::string_view::npos || key.empty()) {
            continue;
        }
        current->entries.push_back({std::string(key), DecodeValue(TrimBlanks(line.substr(equals + 1)))});
    }
    return file;
}

std::optional<IniFile> IniFile::Open(const std::filesystem::path& path) {
    // One byte more than the limit tells a file that is too large from one that just fits.
    const auto text = ReadRegularFile(path.string(), kLargestIniFileBytes + 1);
    if (!text || text->size() > kLargestIniFileBytes) {
        return std::nullopt;
    }
    return Parse(*text);
}

std::size_t IniFile::SectionIndex(std::string_view name) const {
    const auto found =
        std::ranges::find_if(sections_, [name](const Section& s) { return SameName(s.name, name); });
    return static_cast<std::size_t>(found - sections_.begin());
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    if (const std::size_t index = SectionIndex(section); index < sections_.size()) {
        for (const Entry& entry : sections_[index].entries) {
            if (SameName(entry.key, key)) {
                return entry.value;
            }
        }
    }
    return std::string(defaultValue);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    assert(IsValidName(section, "\r\n=]") && IsValidName(key, "\r\n="));
    const std::size_t index = SectionIndex(section);
    if (index == sections_.size()) {
        sections_.push_back({std::string(section), {}});
    }
    std::vector<Entry>& entries = sections_[index].entries;
    const auto entry = std::ranges::find_if(entries, [key](const Entry& e) { return SameName(e.key, key); });
    if (entry != entries.end()) {
        entry->value = value;
    } else {
        entries.push_back({std::string(key), std::string(value)});
    }
}

std::string IniFile::Text() const {
    std::string text;
    for (const Section& section : sections_) {
        if (!text.empty()) {
            text += '\n';
        }
        text += '[' + section.name + "]\n";
        for (const Entry& entry : section.entries) {
            text += entry.key + '=' + EncodeValue(entry.value) + '\n';
        }
    }
    return text;
}

bool IniFile::SaveToFile(const std::filesystem::path& path) const {
    return WriteFileSynced(path, Text());
}
