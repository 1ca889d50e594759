#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The file picker's filter: description/pattern pairs in code page 932, each
// NUL-terminated, closed by an empty description.
namespace FileFilter {

struct Entry
{
    QString description;
    QStringList patterns; // one wildcard each
};

// Reads pairs up to the empty description; a description without its pattern
// ends the list. A pattern may list several wildcards separated by ';'.
QList<Entry> parse(const char* filter);

// Qt's name filters, "description (p1 p2)". A description that already ends
// with its own patterns in parentheses is kept as written.
QStringList qtNameFilters(const QList<Entry>& entries);

} // namespace FileFilter
