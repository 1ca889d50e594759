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
    int tickets = 0;      // for a route made from a feed: the ticket numbers it issues
    QStringList warnings; // things the user should know about a conversion that still succeeded
    QStringList written;  // for conversions that write more than one file, a line for each
};

Outcome csvToHy3(const QString& csvPath, const QString& hy3Path);
Outcome hy3ToCsv(const QString& hy3Path, const QString& csvPath);

// The routes of a published feed (zip or folder), one line each: route_id,
// route_short_name, route_long_name and, for each direction, the headsign,
// stops and fare sections of the trip an import would take, separated by
// tabs.
QStringList gtfsRoutes(const QString& feedPath);

struct GtfsRequest
{
    QString route;
    int direction = -1; // -1: the only direction with trips, else 0
    QString keito;      // empty: the route's short name
    bool ticketPerStop = false;
    bool ic = false;
    int board = 0;      // 12 or 36: the board the route is laid out for; 0: 36 when it issues more than 12 numbers
};

// Writes outDir/K.hy3 and outDir/Ktp.csv for one route of a feed, both or
// neither: each goes to a temporary file first, and only when both are
// complete are they renamed into place. outDir is made when missing.
Outcome gtfsToHy3(const QString& feedPath, const QString& outDir, const GtfsRequest& request);

} // namespace Hy3Conv
