#include "FileFilter.h"

#include "platform/Cp932.h"

#include <cstring>

namespace FileFilter {

QList<Entry> parse(const char* filter)
{
    QList<Entry> entries;
    if (!filter)
        return entries;
    const char* p = filter;
    while (*p) {
        const char* description = p;
        p += std::strlen(p) + 1;
        if (!*p)
            break;
        const char* pattern = p;
        p += std::strlen(p) + 1;
        Entry entry{Cp932::decodeForDisplay(QByteArray(description)), {}};
        for (const QString& piece : Cp932::decodeForDisplay(QByteArray(pattern)).split(u';')) {
            if (!piece.trimmed().isEmpty())
                entry.patterns.append(piece.trimmed());
        }
        if (!entry.patterns.isEmpty())
            entries.append(entry);
    }
    return entries;
}

QStringList qtNameFilters(const QList<Entry>& entries)
{
    QStringList filters;
    for (const Entry& e : entries) {
        const QString patterns = e.patterns.join(u' ');
        // Qt takes the patterns from the last parentheses; a description
        // that shows them already needs no second copy.
        if (e.description.endsWith(u'(' + patterns + u')'))
            filters.append(e.description);
        else
            filters.append(e.description + QStringLiteral(" (") + patterns + u')');
    }
    return filters;
}

} // namespace FileFilter
