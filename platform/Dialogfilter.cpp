#include "platform/Dialogfilter.h"

QStringList QtNameFilters(const QString& barSeparatedFilter) {
    const QStringList parts = barSeparatedFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (!pattern.trimmed().isEmpty()) {
                patterns.append(pattern.trimmed());
            }
        }
        if (patterns.isEmpty()) {
            continue;
        }
        const QString& label = parts[i];
        const qsizetype open = label.lastIndexOf(QLatin1Char('('));
        const QString joined = patterns.join(QLatin1Char(' '));
        if (label.endsWith(QLatin1Char(')')) && open >= 0) {
            filters.append(label.left(open) + QLatin1Char('(') + joined + QLatin1Char(')'));
        } else {
            filters.append(label + QStringLiteral(" (") + joined + QLatin1Char(')'));
        }
    }
    return filters;
}
