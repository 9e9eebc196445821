#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An INI profile file held in memory, read and written with the rules of Windows profile files:
//
// - "[name]" starts a section; "key=value" is an entry of the current section. Lines before the
//   first section, lines without "=", lines whose first non-blank character is ";" and section
//   lines without "]" are ignored.
// - Section and key names are compared case-insensitively (ASCII letters), blanks (space, tab)
//   around names and values are trimmed. Only the first section of a name is searched and the
//   first of duplicate keys wins.
// - Text is UTF-8 (a leading byte-order mark is skipped); lines end in LF or CR LF on read.
//   Written files end every line in LF and put a blank line between sections.
// - A value enclosed in a matching pair of quotes ('…' or "…") is read without them, as Windows
//   does. Values are written as they are, except those the plain form would not read back:
//   leading or trailing blanks, a CR or LF, or a matching pair of outer quotes. Such a value is
//   written in double quotes with "\" written as "\\", CR as "\r" and LF as "\n"; reading a
//   double-quoted value turns "\\", "\r" and "\n" back and keeps any other backslash as it is.
//   So every text, line breaks included, reads back exactly as it was written, and ordinary
//   values (paths with backslashes, "=", ";", "[x]", Japanese) appear in the file byte for byte.
class IniFile {
public:
    /// An empty file: every read returns its default.
    IniFile() = default;

    /// Parses the text of an INI file. Never fails; unusable lines are ignored.
    static IniFile Parse(std::string_view text);

    /// Settings files are a few hundred bytes; anything beyond this is not one.
    static constexpr std::size_t kLargestIniFileBytes = 4 * 1024 * 1024;

    /// Reads and parses the file at `path`; nothing when it is no regular file (a folder, a FIFO,
    /// a device), cannot be read or holds more than kLargestIniFileBytes.
    static std::optional<IniFile> Open(const std::filesystem::path& path);

    /// The value of `key` in `section`, or `defaultValue` when either is absent.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    /// Sets `key` in `section` to `value`: replaces the first matching entry, or appends the key
    /// to the section (and the section to the file) when absent. Names must be non-empty, must
    /// not start or end with a blank and must hold no CR, LF or "="; section names no "]".
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    /// The file's text: sections and keys in the order they were first written or read.
    std::string Text() const;

    /// Writes the text to `path` and flushes it to the disk; false when that fails.
    bool SaveToFile(const std::filesystem::path& path) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    /// Index of the first section called `name`; the section count when there is none.
    std::size_t SectionIndex(std::string_view name) const;

    std::vector<Section> sections_;
};
