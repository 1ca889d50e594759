#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

// The written cases of the readings' accuracy (YomiAccuracyCases.tsv): one
// "kind<TAB>text<TAB>reading|reading..." a line; # starts a comment.
struct AccuracyCase
{
    QString kind;
    QString text;
    QStringList accepted;
};

// A file that cannot be read, or a line that is not three fields, fails the
// test that reads them.
inline std::vector<AccuracyCase> readAccuracyCases(const QString& path)
{
    std::vector<AccuracyCase> cases;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return cases;
    }
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3) {
            ADD_FAILURE() << "not three fields: " << line.toStdString();
            continue;
        }
        cases.push_back({fields[0], fields[1], fields[2].split(QLatin1Char('|'))});
    }
    return cases;
}
