#include "platform/mdlSeiriken.h"

#include "platform/Cp932.h"

#include <QComboBox>
#include <QPainter>

#include <optional>

namespace mdlSeiriken {

namespace {

std::optional<QByteArray> terminatedPath(const QString& path)
{
    std::optional<QByteArray> bytes = Cp932::encode(path);
    if (bytes)
        bytes->append('\0');
    return bytes;
}

QByteArray terminated(const QString& text)
{
    QByteArray bytes = Cp932::encodeOrThrow(text);
    bytes.append('\0');
    return bytes;
}

} // namespace

bool Mrv_GetPlgInfo(const QString& path, PlgInfo& info)
{
    const std::optional<QByteArray> file = terminatedPath(path);
    return file && ::Mrv_GetPlgInfo(file->constData(), &info) != 0;
}

void Mrv_SetPlgComment(const QString& path, QWidget* textBox)
{
    if (const std::optional<QByteArray> file = terminatedPath(path))
        ::Mrv_SetPlgComment(file->constData(), textBox);
}

void Mrv_SetCorpAddList(const QString& path, QComboBox* combo)
{
    if (const std::optional<QByteArray> file = terminatedPath(path))
        ::Mrv_SetCorpAddList(file->constData(), static_cast<QWidget*>(combo));
}

QString Mrv_DrawSeiriken(const QString& path, QPainter& painter, const QString& stopName, const QString& date,
                         const QString& time, std::int32_t route, std::int16_t ticket, std::int16_t index,
                         std::int32_t company)
{
    QByteArray name = terminated(stopName);
    QByteArray dateText = terminated(date);
    const QByteArray timeText = terminated(time);
    const std::optional<QByteArray> file = terminatedPath(path);
    if (!file)
        return stopName;
    ::Mrv_DrawSeiriken(file->constData(), &painter, name.data(), dateText.data(), timeText.constData(), route, ticket,
                       index, company);
    // The library may have shortened the text in place.
    return Cp932::decodeOrThrow(QByteArray(name.constData()));
}

} // namespace mdlSeiriken
