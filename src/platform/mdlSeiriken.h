#pragma once

#include <MirvRes.h>

#include <QString>

#include <cstdint>

class QComboBox;
class QPainter;
class QWidget;

// The numbered-ticket plug-in operations of the companion library, with the
// program's texts. A path that code page 932 cannot hold names no plug-in.
namespace mdlSeiriken {

using ::PlgInfo;

// True when path is a plug-in; info is then filled, otherwise left as it was.
bool Mrv_GetPlgInfo(const QString& path, PlgInfo& info);

// Writes the plug-in's notes into the text box (QPlainTextEdit, QTextEdit or
// QLineEdit).
void Mrv_SetPlgComment(const QString& path, QWidget* textBox);

// Adds the plug-in's company names to the list without clearing it.
void Mrv_SetCorpAddList(const QString& path, QComboBox* combo);

// Draws the ticket at the painter's origin and returns the stop name as the
// plug-in hands it back (shortened when the plug-in limits its length).
// A stop name that code page 932 cannot hold raises error 5.
QString Mrv_DrawSeiriken(const QString& path, QPainter& painter, const QString& stopName, const QString& date,
                         const QString& time, std::int32_t route, std::int16_t ticket, std::int16_t index,
                         std::int32_t company);

} // namespace mdlSeiriken
