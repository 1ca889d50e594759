#include "panel/DataIo.h"

#include "panel/Hy3File.h"
#include "panel/Hy3Layout.h"
#include "platform/ApiLib.h"
#include "platform/AppError.h"
#include "readings/Yomi.h"
#include "speech/mdlM_Tape.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>


namespace DataIo {

namespace {

FareRecord& rowAt(int row, int column)
{
    if (row < 1 || row > MaxRows || column < 1 || column > FareColumns + 2)
        throw AppError(ErrNo::SubscriptOutOfRange);
    return FareTable[static_cast<size_t>(row)];
}

} // namespace

void SetFareCell(int row, int column, const QString& name)
{
    FareRecord& record = rowAt(row, column);
    if (column != 1)
        throw AppError(ErrNo::TypeMismatch);
    record.Chimei = name;
}

void SetFareCell(int row, int column, std::int16_t value)
{
    FareRecord& record = rowAt(row, column);
    if (column == 1)
        throw AppError(ErrNo::TypeMismatch);
    if (column == 2)
        record.SeiriNum = value;
    else
        record.Fare[static_cast<size_t>(column - 3)] = value;
}

void ClearFareTable()
{
    for (int row = 1; row <= MaxRows; ++row)
        FareTable[static_cast<size_t>(row)] = FareRecord{};
}

FareRecord& Row(int row)
{
    if (row < 1 || row > std::max(nStoredRows, 1))
        throw AppError(ErrNo::SubscriptOutOfRange);
    return FareTable[static_cast<size_t>(row)];
}

FareRecord& CurrentRow()
{
    return Row(nCurIndex + 1);
}

bool Step(int direction)
{
    if (direction < 0) {
        if (nCurIndex <= 0)
            return false;
        nCurIndex = static_cast<std::int16_t>(std::clamp(nCurIndex - 1, 0, std::max(nStoredRows - 1, 0)));
        return true;
    }
    if (nCurIndex + 1 >= nStoredRows)
        return false;
    ++nCurIndex;
    return true;
}

QString RouteNumber(const QString& keito)
{
    qsizetype digits = 0;
    const QString text = keito.trimmed();
    while (digits < text.size() && text.at(digits).isDigit() && text.at(digits).unicode() < 128)
        ++digits;
    return QString::number(text.left(digits).toLongLong());
}

std::int16_t SectionFromText(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    const long long section = ok && std::isfinite(value) ? std::llround(value) : 0;
    if (section < 1)
        return 1;
    return static_cast<std::int16_t>(std::min<long long>(section, 300));
}

QString FareFilePath(const QString& hy3Dir, const QString& keito)
{
    return ApiLib::FindFileNoCase(ApiLib::withTrailingSeparator(hy3Dir) + RouteNumber(keito) + QStringLiteral(".hy3"));
}

LoadResult LoadFareFile(const QString& path, std::vector<int>* undecodable)
{
    const QFileInfo info(path);
    if (!info.exists())
        return LoadResult::FileMissing;
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw AppError(ErrNo::PathFileAccess);

    const std::int16_t count = Hy3File::readCount(file);
    nDataCount = count;
    if (count == 0)
        return LoadResult::NoData;
    if (nKukan > count - 1)
        return LoadResult::SectionTooLarge;
    // The table has 301 rows; a longer route is refused before any route
    // state but the count changes.
    if (count > MaxRows)
        throw AppError(ErrNo::SubscriptOutOfRange);

    std::vector<int> badNames;
    std::vector<FareRecord> records = Hy3File::readRecords(file, count, &badNames);
    BoardLayout layout = BoardLayout::Tickets12;
    try {
        layout = Hy3Layout::read(file);
    } catch (const AppError&) {
        return LoadResult::BadLayout;
    }
    file.close();

    ClearFareTable();
    std::move(records.begin(), records.end(), FareTable.begin() + 1);
    nStoredRows = count;
    RouteLayout = layout;
    nCurIndex = static_cast<std::int16_t>(nKukan - 1);
    // The route's stop names are names wherever an announcement says them.
    QStringList names;
    for (int r = 1; r <= count; ++r)
        names << FareTable[static_cast<size_t>(r)].Chimei;
    Yomi::setRouteNames(names);
    if (undecodable)
        *undecodable = std::move(badNames);
    return LoadResult::Loaded;
}

void TapeBack(const mdlM_Tape::TapeChimes& chimes)
{
    mdlM_Tape::TapeBack(chimes);
}

} // namespace DataIo
