#pragma once

#include "panel/Hy3File.h"

#include <QString>
#include <QTemporaryDir>

#include <vector>

// Fare files for tests, written through the same writer the converter uses.
namespace RouteFixture {

// A route of n stops whose values tell row and cell apart: at row r, cell i
// holds 1000 + 10 * r + i for tickets already issued (i <= r) and 0 for the
// others; the ticket number of row r is r and its name "停留所r".
std::vector<Hy3File::Record> route(int n);

// A route of n stops for the thirty-six-ticket board, one ticket per stop:
// at row r, value t (1 to 150) holds ticketFare(r, t).
int ticketFare(int r, int t);
std::vector<Hy3File::Record> ticketPerStop(int n);

// Writes bytes to dir/name and returns the path.
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);

// Resets the fare table and the route state to their start-up values.
void resetRouteState();

} // namespace RouteFixture
