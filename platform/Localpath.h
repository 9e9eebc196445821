#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

class QUrl;

// File paths are bytes, and need not be UTF-8 (a name written under a Latin-1 locale, a file
// copied from an old disk). Qt's text cannot hold such bytes: its own conversions make them
// U+FFFD, and the file can then no longer be found. These conversions keep every byte, the way
// Python's "surrogateescape" does: a byte that is no part of well-formed UTF-8 is held as the lone
// surrogate U+DC80..U+DCFF, which decoded text never contains, and becomes the byte again where
// the path opens a file. Such a path shows a replacement character, sorts and compares as text,
// and must be opened through LocalPathBytes: Qt's file classes (QFile, QFileInfo, QDir, an image
// writer given a file name) encode it with the locale and would look for another name.

/// The path of the bytes `bytes` (as the command line, a directory listing or a settings file
/// gives them).
QString PathFromLocalBytes(std::string_view bytes);

/// The bytes of `path`: each escaped byte as itself, the rest as UTF-8.
std::string LocalPathBytes(const QString& path);

/// The local path of a "file:" URL, its percent-encoded bytes decoded as they are (QUrl's own
/// toLocalFile decodes them as UTF-8 and loses the others).
QString LocalPathOfUrl(const QUrl& url);

/// The arguments argv[0] .. argv[argc - 1], each decoded with PathFromLocalBytes.
QStringList ArgumentsFromBytes(int argc, const char* const* argv);
