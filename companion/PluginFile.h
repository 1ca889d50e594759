#pragma once

#include "MirvRes.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// The numbered-ticket plug-in file ("*.4SP"): a declarative text that this
// library reads and never executes. docs/plugin-format.md is the user's
// description of it; the limits below are the ones it states.
namespace PluginFile {

inline constexpr qint64 MaxFileBytes = 256 * 1024;
inline constexpr int MaxFields = 64;
inline constexpr int MaxCompanies = 16;
inline constexpr int MaxCompanyChars = 40;
inline constexpr int MaxNotesChars = 4000;
inline constexpr int MaxBarcodes = 4;

enum class Kind {
    Text,    // a fixed caption
    Company,
    Date,
    Time,
    Route,
    Stop,
    Number,  // the ticket number
    Barcode,
    Rule,    // a filled rectangle
    Frame,   // a rectangle outline
};

enum class Face { Gothic, Mincho };

enum class BarcodeData { Route, Stop };

struct Field
{
    Kind kind = Kind::Text;
    QRect rect;
    int size = 0; // font pixel size; text kinds only
    Qt::Alignment align = Qt::AlignLeft;
    bool bold = false;
    Face face = Face::Gothic;
    QColor color;
    QString text; // Kind::Text
    QString prefix;
    QString suffix;
    QString format;   // Date, Time
    int digits = 0;   // Route, Number: zero padding, 0 = none
    int maxBytes = 0; // Stop: longest name kept in code page 932 bytes, 0 = no limit
    BarcodeData data = BarcodeData::Route;
};

struct Plugin
{
    PlgInfo info{};
    QString notes;
    QStringList companies;
    QColor paper;
    QColor ink;
    QColor border; // invalid = no border
    Face face = Face::Gothic;
    QList<Field> fields;
};

// Reads a whole plug-in text. On failure returns nullopt and, when error is
// given, a message that names the line ("3 行目: ...").
std::optional<Plugin> parse(const QByteArray& bytes, QString* error = nullptr);

// Reads the file at path: only a regular file of at most MaxFileBytes.
std::optional<Plugin> load(const QString& path, QString* error = nullptr);

} // namespace PluginFile
