#pragma once

#include <QString>
#include <QStringList>

#include <exception>
#include <string>

// The two conversions of hy3conv, file to file. The output is written to a
// temporary file beside it and renamed over it only when complete, so a failed
// conversion leaves whatever was there before.
namespace Hy3Conv {

// A failed conversion; the message names the file and, for CSV input, the line.
class Failure : public std::exception
{
public:
    explicit Failure(QString message);
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    QString m_message;
    std::string m_what;
};

struct Outcome
{
    int records = 0;
    QStringList warnings; // things the user should know about a conversion that still succeeded
};

Outcome csvToHy3(const QString& csvPath, const QString& hy3Path);
Outcome hy3ToCsv(const QString& hy3Path, const QString& csvPath);

} // namespace Hy3Conv
