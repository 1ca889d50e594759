#pragma once

#include "PluginFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

class QPainter;

// Draws a numbered ticket from a plug-in's layout, and the rules behind what
// it prints.
namespace TicketPainter {

struct Values
{
    QString stopName; // already cut to the plug-in's limit
    QString date;
    QString time;
    std::int32_t route = 0;
    std::int16_t ticket = 0;
    std::int16_t stopIndex = 0;
    std::int32_t company = 0;
};

// Draws the ticket at the painter's origin; the painter's state is restored.
void draw(const PluginFile::Plugin& plugin, QPainter& painter, const Values& values);

// The shortest stop-name limit (in code page 932 bytes) of the layout's stop
// fields; 0 when none limits it.
int stopNameLimit(const PluginFile::Plugin& plugin);

// The longest head of bytes (code page 932) of at most maxBytes bytes that
// does not split a double-byte character.
QByteArray cutCp932(const QByteArray& bytes, int maxBytes);

// date is "mm-dd-yyyy" or "yyyy/mm/dd"; format tokens YYYY YY MM M DD D W.
// A date that is neither, or not a calendar date, is printed as given.
QString formatDate(const QString& date, const QString& format);
// time is "hh:mm:ss" or "hh:mm"; format tokens hh h mm ss.
QString formatTime(const QString& time, const QString& format);

// Digits a barcode of this plug-in carries.
int barcodeDigits(const PlgInfo& info, PluginFile::BarcodeData data);
// The digits printed as bars, or empty when the value lies outside the range
// the plug-in declares (nothing is printed then).
QString barcodeText(const PlgInfo& info, PluginFile::BarcodeData data, std::int32_t route,
                    std::int16_t stopIndex);

// Industrial 2 of 5: the widths of alternating bars and spaces, in modules,
// starting and ending with a bar (narrow 1, wide 3, spaces 1).
QList<int> barPattern(const QString& digits);
constexpr int barcodeModules(int digits)
{
    return 19 + 14 * digits;
}

} // namespace TicketPainter
