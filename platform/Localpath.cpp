#include "platform/Localpath.h"

#include "base/Utf8.h"

#include <QByteArray>
#include <QUrl>

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // byte b (0x80..0xFF) is held as U+DC00 + b

bool IsEscapedByte(const QString& path, qsizetype i) {
    const char16_t unit = path[i].unicode();
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF &&
           (i == 0 || !QChar::isHighSurrogate(path[i - 1].unicode()));
}

} // namespace

QString PathFromLocalBytes(std::string_view bytes) {
    QString path;
    path.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t textStart = 0;
    const auto takeText = [&](std::size_t end) {
        path += QString::fromUtf8(bytes.data() + textStart, static_cast<qsizetype>(end - textStart));
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length > 0) {
            i += length;
            continue;
        }
        takeText(i);
        path += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
        textStart = ++i;
    }
    takeText(bytes.size());
    return path;
}

std::string LocalPathBytes(const QString& path) {
    std::string bytes;
    qsizetype textStart = 0;
    const auto takeText = [&](qsizetype end) {
        const QByteArray text = QStringView(path).sliced(textStart, end - textStart).toUtf8();
        bytes.append(text.constData(), static_cast<std::size_t>(text.size()));
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (IsEscapedByte(path, i)) {
            takeText(i);
            bytes += static_cast<char>(path[i].unicode() - kEscapeBase);
            textStart = i + 1;
        }
    }
    takeText(path.size());
    return bytes;
}

QString LocalPathOfUrl(const QUrl& url) {
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    const QString path =
        PathFromLocalBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    // A host names a share ("//host/path"), as toLocalFile gives it.
    return url.host().isEmpty() ? path : QStringLiteral("//") + url.host() + path;
}

QStringList ArgumentsFromBytes(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(PathFromLocalBytes(argv[i]));
    }
    return arguments;
}
