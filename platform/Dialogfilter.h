#pragma once

#include <QString>
#include <QStringList>

// File dialog filters are written as label and pattern pairs separated by vertical bars, the
// patterns of one pair separated by semicolons:
//   "ビットマップ (*.bmp)|*.bmp|PNG (*.png)|*.png"
// Qt wants one entry per pair with the patterns, blank-separated, in parentheses at its end:
//   "ビットマップ (*.bmp)", "PNG (*.png)"

/// The Qt name filters of a bar-separated filter. A label that already ends in a parenthesised
/// pattern list keeps its text before the parentheses, which then list the pair's patterns in
/// Qt's form ("Velmara(*.scn;*.rhi)|*.scn;*.rhi" gives "Velmara(*.scn *.rhi)"); any other label
/// gets " (patterns)" appended. Pairs without a pattern are left out.
QStringList QtNameFilters(const QString& barSeparatedFilter);
