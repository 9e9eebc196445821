#include "tools/convert/Scanfilelist.h"

#include "app/Startoptions.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

const char* const kScanFileKinds[] = {".scn", ".rhi", ".sppi", ".scnd", ".rhid", ".sppid", ".scr"};

} // namespace

bool IsScanFileName(const QString& fileName) {
    QString name = fileName;
    if (name.endsWith(QLatin1String(".gz"), Qt::CaseSensitive)) {
        name.chop(3);
    }
    for (const char* kind : kScanFileKinds) {
        const QLatin1String extension(kind);
        if (name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

TScanFileList CollectScanFiles(const std::vector<std::string>& paths, bool recursive) {
    TScanFileList list;
    for (const std::string& argument : paths) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(argument));
        if (!QFileInfo(path).isDir()) {
            list.files.append(path);
            continue;
        }
        QStringList found;
        QDirIterator entries(path, QDir::Files,
                             recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
        while (entries.hasNext()) {
            const QString file = entries.next();
            if (IsScanFileName(entries.fileName())) {
                found.append(file);
            }
        }
        if (found.isEmpty()) {
            list.emptyFolders.append(path);
        }
        SortPlayOrder(found);
        list.files += found;
    }
    return list;
}
