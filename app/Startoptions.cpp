#include "app/Startoptions.h"

#include "platform/Localpath.h"

#include <QCollator>
#include <algorithm>
#include <filesystem>

const char* const kScanFileFilter =
    "Velmara(*.scn;*.rhi;*.sppi;*.scnd;*.rhid;*.sppid)|*.scn;*.rhi;*.sppi;*.scnd;*.rhid;*.sppid|"
    "PPI,HSQ File(*.scn)|*.scn|SRHI File(*.rhi)|*.rhi|SPPI File(*.sppi)|*.sppi|"
    "DEC PPI,HSQ File(*.scnd)|*.scnd|DEC SRHI File(*.rhid)|*.rhid|DEC SPPI File(*.sppid)|*.sppid|"
    "ReferenceMapFile(*.scr)|*.scr|ODIM_H5 File(*.h5;*.hdf)|*.h5;*.hdf|CfRadial File(*.nc)|*.nc|"
    "CompressedFile(*.gz)|*.gz";

namespace {

// Folders also play the open radar formats' files and their gzip copies.
constexpr const char* kOpenFormatEndings[] = {".h5", ".hdf", ".nc", ".h5.gz", ".hdf.gz", ".nc.gz"};

} // namespace

namespace {

const char* const kScanFileKinds[] = {".scn",   ".rhi", ".sppi", ".scnd", ".rhid",
                                      ".sppid", ".scr", ".h5",   ".hdf",  ".nc"};

} // namespace

TStartOptions ParseStartOptions(const QStringList& arguments) {
    TStartOptions options;
    if (arguments.size() >= 2 && arguments[1] == QLatin1String(kPlayOption)) {
        options.playPaths = arguments.mid(2);
    } else if (arguments.size() >= 2 && arguments[1] == QLatin1String(kFollowOption)) {
        options.followFolder = arguments.value(2);
        if (arguments.size() >= 5 && arguments[3] == QLatin1String(kKeepOption)) {
            bool ok = false;
            const int keep = arguments[4].toInt(&ok, 10);
            if (ok && keep >= 0) {
                options.keep = keep;
            }
        }
    } else {
        options.batchArguments = arguments.mid(1);
        // "--sweep N" after the file chooses the sweep of a volume and is no batch argument.
        const qsizetype option = options.batchArguments.indexOf(QLatin1String(kSweepOption), 1);
        if (option > 0 && option + 1 < options.batchArguments.size()) {
            options.sweep = options.batchArguments[option + 1];
            options.batchArguments.remove(option, 2);
        }
    }
    return options;
}

QStringList ScanFilesOf(const QString& path) {
    // Listed by the bytes of the names, so that names which are not UTF-8 stay openable.
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path given = fs::absolute(LocalPathBytes(path), error);
    if (error) {
        return {};
    }
    if (fs::is_regular_file(given, error)) {
        return {PathFromLocalBytes(given.string())};
    }
    // The first filter's patterns are all "*.<extension>"; hidden files are left out.
    const QString firstFilter = QString::fromLatin1(kScanFileFilter).section(QLatin1Char('|'), 1, 1);
    QStringList patterns = firstFilter.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const char* ending : kOpenFormatEndings) {
        patterns.append(QLatin1Char('*') + QLatin1String(ending));
    }
    QStringList files;
    for (fs::directory_iterator entry(given, error), end; !error && entry != end; entry.increment(error)) {
        const QString name = PathFromLocalBytes(entry->path().filename().string());
        const bool matches = !name.startsWith(QLatin1Char('.')) &&
                             std::any_of(patterns.begin(), patterns.end(), [&name](const QString& pattern) {
                                 return name.endsWith(pattern.mid(1), Qt::CaseInsensitive);
                             });
        std::error_code typeError;
        if (matches && entry->is_regular_file(typeError)) {
            files.append(PathFromLocalBytes(entry->path().string()));
        }
    }
    std::sort(files.begin(), files.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return files;
}

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

void SortPlayOrder(QStringList& paths) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(paths.begin(), paths.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}
