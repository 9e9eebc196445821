#include "app/Startoptions.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

const char* const kScanFileFilter =
    "Velmara(*.scn;*.rhi;*.sppi;*.scnd;*.rhid;*.sppid)|*.scn;*.rhi;*.sppi;*.scnd;*.rhid;*.sppid|"
    "PPI,HSQ File(*.scn)|*.scn|SRHI File(*.rhi)|*.rhi|SPPI File(*.sppi)|*.sppi|"
    "DEC PPI,HSQ File(*.scnd)|*.scnd|DEC SRHI File(*.rhid)|*.rhid|DEC SPPI File(*.sppid)|*.sppid|"
    "ReferenceMapFile(*.scr)|*.scr|CompressedFile(*.gz)|*.gz";

TStartOptions ParseStartOptions(const QStringList& arguments) {
    TStartOptions options;
    if (arguments.size() >= 2 && arguments[1] == QLatin1String(kPlayOption)) {
        options.playPaths = arguments.mid(2);
    } else {
        options.batchArguments = arguments.mid(1);
    }
    return options;
}

QStringList ScanFilesOf(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile()) {
        return {info.absoluteFilePath()};
    }
    if (!info.isDir()) {
        return {};
    }
    const QString firstFilter = QString::fromLatin1(kScanFileFilter).section(QLatin1Char('|'), 1, 1);
    const QStringList patterns = firstFilter.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QDir folder(info.absoluteFilePath());
    QStringList files;
    for (const QFileInfo& entry :
         folder.entryInfoList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        files.append(entry.absoluteFilePath());
    }
    return files;
}

void SortPlayOrder(QStringList& paths) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(paths.begin(), paths.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}
