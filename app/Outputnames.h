#pragma once

#include <QString>

/// `path` with its extension (from the last dot of the file name on) replaced by `extension`, or
/// with `extension` appended when the name has none: "shot.png" gives "shot.jpg".
QString ChangeFileExt(const QString& path, const QString& extension);

/// The JPEG a batch run writes for the scan file `inputPath`: its extension replaced by ".jpg",
/// an extension of exactly ".gz" removed first ("x.scn" and "x.scn.gz" both give "x.jpg").
QString BatchOutputPath(const QString& inputPath);
