#include "panel/Hy3Layout.h"

#include "platform/AppError.h"

#include <QIODevice>
#include <QtEndian>

namespace Hy3Layout {

namespace {

constexpr int kTickets36 = 36;

// Up to n bytes from the device, fewer only at its end.
QByteArray readUpTo(QIODevice& file, qint64 n)
{
    QByteArray bytes;
    while (bytes.size() < n) {
        const QByteArray part = file.read(n - bytes.size());
        if (part.isEmpty())
            break;
        bytes += part;
    }
    return bytes;
}

[[noreturn]] void refuse(const QString& what)
{
    throw AppError(ErrNo::InvalidCall, QStringLiteral("最後のレコードの後の運賃表示器の指定 (%1) が壊れています: %2")
                                           .arg(QLatin1String(Signature), what));
}

} // namespace

QByteArray trailer(BoardLayout layout)
{
    if (layout != BoardLayout::Tickets36)
        return {};
    QByteArray out(Signature, SignatureSize);
    char numbers[4];
    qToLittleEndian<quint16>(Version, numbers);
    qToLittleEndian<quint16>(kTickets36, numbers + 2);
    out.append(numbers, 4);
    return out;
}

BoardLayout read(QIODevice& file)
{
    // One byte more than a trailer tells a trailer with bytes after it.
    const QByteArray rest = readUpTo(file, TrailerSize + 1);
    if (!rest.startsWith(QByteArrayView(Signature, SignatureSize)))
        return BoardLayout::Tickets12;
    if (rest.size() < TrailerSize)
        refuse(QStringLiteral("%1 バイトで終わっています (%2 バイト必要です)。").arg(rest.size()).arg(TrailerSize));
    if (rest.size() > TrailerSize)
        refuse(QStringLiteral("指定の後にまだバイトがあります。"));
    const auto version = qFromLittleEndian<quint16>(rest.constData() + SignatureSize);
    if (version != Version)
        refuse(QStringLiteral("版 %1 は読めません (読めるのは版 %2)。").arg(version).arg(Version));
    const auto tickets = qFromLittleEndian<quint16>(rest.constData() + SignatureSize + 2);
    if (tickets != kTickets36)
        refuse(QStringLiteral("整理券 %1 番まで表示する運賃表示器はありません (%2 のみ)。").arg(tickets).arg(kTickets36));
    return BoardLayout::Tickets36;
}

} // namespace Hy3Layout
