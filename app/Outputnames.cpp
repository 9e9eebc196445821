#include "app/Outputnames.h"

namespace {

/// Index of the extension's dot in `path`, or -1 when its file name has none.
qsizetype ExtensionDot(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > path.lastIndexOf(QLatin1Char('/')) ? dot : -1;
}

} // namespace

QString ChangeFileExt(const QString& path, const QString& extension) {
    const qsizetype dot = ExtensionDot(path);
    return (dot < 0 ? path : path.left(dot)) + extension;
}

QString BatchOutputPath(const QString& inputPath) {
    QString path = inputPath;
    const qsizetype dot = ExtensionDot(path);
    if (dot >= 0 && path.mid(dot) == QLatin1String(".gz")) {
        path.truncate(dot);
    }
    return ChangeFileExt(path, QStringLiteral(".jpg"));
}
