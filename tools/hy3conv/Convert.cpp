#include "Convert.h"

#include "FareCsv.h"
#include "GtfsSource.h"
#include "GtfsImport.h"
#include "panel/Hy3File.h"
#include "panel/Hy3Layout.h"
#include "platform/AppError.h"
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <utility>
#include <vector>

namespace Hy3Conv {

namespace {

QString openFailure(const QFile& file)
{
    if (!QFileInfo::exists(file.fileName()))
        return QStringLiteral("%1: ファイルが見つかりません。").arg(file.fileName());
    return QStringLiteral("%1: ファイルを開けません (%2)。").arg(file.fileName(), file.errorString());
}

// Writes every file to a temporary file beside it, and only when all of them
// are complete renames them into place, so that a failure leaves all the old
// files as they were.
void saveAll(const std::vector<std::pair<QString, QByteArray>>& files)
{
    std::vector<std::unique_ptr<QSaveFile>> outs;
    for (const auto& [path, bytes] : files) {
        auto out = std::make_unique<QSaveFile>(path);
        if (!out->open(QIODevice::WriteOnly))
            throw Failure(QStringLiteral("%1: 書き込めません (%2)。").arg(path, out->errorString()));
        // commit() renames even when the buffered data failed to reach the
        // disk (a full disk shows only at the flush), so flush first and check.
        if (out->write(bytes) != bytes.size() || !out->flush()) {
            out->cancelWriting();
            throw Failure(QStringLiteral("%1: 書き込みが途中で失敗しました (ディスクの空きが足りない可能性があります)。元のファイルはそのままです。")
                              .arg(path));
        }
        outs.push_back(std::move(out));
    }
    for (auto& out : outs) {
        if (!out->commit())
            throw Failure(QStringLiteral("%1: 書き込めません (%2)。").arg(out->fileName(), out->errorString()));
    }
}

void save(const QString& path, const QByteArray& bytes)
{
    saveAll({{path, bytes}});
}

// Runs work on the feed at feedPath, naming the feed in whatever it refuses.
template <typename Work>
auto withFeed(const QString& feedPath, Work work)
{
    try {
        const std::unique_ptr<Gtfs::FeedSource> source = Gtfs::openFeed(feedPath);
        return work(*source);
    } catch (const Gtfs::Error& e) {
        throw Failure(QStringLiteral("%1: %2").arg(feedPath, e.message()));
    } catch (const AppError& e) {
        throw Failure(QStringLiteral("%1: %2").arg(feedPath, e.description()));
    }
}

} // namespace

Failure::Failure(QString message)
    : m_message(std::move(message))
    , m_what(m_message.toStdString())
{
}

Outcome csvToHy3(const QString& csvPath, const QString& hy3Path)
{
    QFile in(csvPath);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure(openFailure(in));
    const QByteArray bytes = in.readAll();
    in.close();

    std::vector<Hy3File::Record> records;
    BoardLayout layout = BoardLayout::Tickets12;
    try {
        records = FareCsv::parse(FareCsv::decode(bytes), &layout);
    } catch (const FareCsv::Error& e) {
        throw Failure(QStringLiteral("%1: %2").arg(csvPath, e.message()));
    }
    QByteArray out;
    try {
        out = Hy3File::write(records) + Hy3Layout::trailer(layout);
    } catch (const AppError& e) {
        throw Failure(QStringLiteral("%1: %2").arg(csvPath, e.description()));
    }
    save(hy3Path, out);
    Outcome outcome;
    outcome.records = static_cast<int>(records.size());
    return outcome;
}

Outcome hy3ToCsv(const QString& hy3Path, const QString& csvPath)
{
    QFile in(hy3Path);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure(openFailure(in));

    Outcome outcome;
    std::vector<Hy3File::Record> records;
    int count = 0;
    qint64 rest = 0;
    BoardLayout layout = BoardLayout::Tickets12;
    try {
        count = Hy3File::readCount(in);
        if (count < 0)
            throw Failure(QStringLiteral("%1: レコード数が負の値 (%2) です。.hy3 ファイルではないか、壊れています。").arg(hy3Path).arg(count));
        std::vector<int> undecodable;
        records = Hy3File::readRecords(in, count, &undecodable);
        // The CSV would bring back 〓, not the file's bytes: no round trip.
        if (!undecodable.empty()) {
            throw Failure(QStringLiteral("%1: %2 件目の停留所名: Shift-JIS (コードページ 932) として読めない文字があります。")
                              .arg(hy3Path).arg(undecodable.front()));
        }
        rest = in.size() - in.pos();
        layout = Hy3Layout::read(in);
    } catch (const AppError& e) {
        if (e.number() == ErrNo::InputPastEnd) {
            throw Failure(QStringLiteral("%1: ファイルが途中で終わっています (レコード数 %2 件に足りません)。")
                              .arg(hy3Path).arg(count));
        }
        throw Failure(QStringLiteral("%1: %2").arg(hy3Path, e.description()));
    }
    if (count == 0)
        outcome.warnings << QStringLiteral("%1: レコードが 0 件です。本体はこの系統を未登録として扱います。").arg(hy3Path);
    if (count > Hy3File::MaxRows) {
        outcome.warnings << QStringLiteral("%1: レコードが %2 件あります。本体が読めるのは %3 件までです。")
                                .arg(hy3Path).arg(count).arg(Hy3File::MaxRows);
    }
    if (layout == BoardLayout::Tickets12 && rest > 0)
        outcome.warnings << QStringLiteral("%1: 最後のレコードの後の %2 バイトは読みませんでした。").arg(hy3Path).arg(rest);
    in.close();

    QByteArray out;
    try {
        out = Cp932::encodeOrThrow(FareCsv::format(records, layout));
    } catch (const FareCsv::Error& e) {
        throw Failure(QStringLiteral("%1: %2").arg(hy3Path, e.message()));
    } catch (const AppError& e) {
        throw Failure(QStringLiteral("%1: %2").arg(hy3Path, e.description()));
    }
    save(csvPath, out);
    outcome.records = static_cast<int>(records.size());
    return outcome;
}

QStringList gtfsRoutes(const QString& feedPath)
{
    const auto summaries = withFeed(feedPath, [](Gtfs::FeedSource& source) { return Gtfs::summarize(source); });
    QStringList lines;
    for (const Gtfs::RouteSummary& summary : summaries) {
        QStringList fields{Gtfs::text(summary.route.id), summary.route.shortName, summary.route.longName};
        for (int d = 0; d < 2; ++d) {
            const Gtfs::DirectionSummary& direction = summary.directions[static_cast<std::size_t>(d)];
            if (direction.stops == 0) {
                fields << QStringLiteral("方向%1: 便なし").arg(d);
                continue;
            }
            QStringList parts;
            if (!direction.headsign.isEmpty())
                parts << direction.headsign;
            parts << QStringLiteral("%1 停留所").arg(direction.stops)
                  << (direction.sections < 0 ? QStringLiteral("運賃区間 ?") : QStringLiteral("運賃区間 %1").arg(direction.sections));
            fields << QStringLiteral("方向%1: %2").arg(d).arg(parts.join(QStringLiteral("、")));
        }
        // A tab or line break inside a name would break the columns.
        for (QString& f : fields) {
            for (QChar& c : f) {
                if (c.unicode() < 0x20)
                    c = QLatin1Char(' ');
            }
        }
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines;
}

Outcome gtfsToHy3(const QString& feedPath, const QString& outDir, const GtfsRequest& request)
{
    Gtfs::ImportRequest wanted;
    wanted.route = request.route;
    wanted.direction = request.direction;
    wanted.keito = request.keito;
    wanted.ticketPerStop = request.ticketPerStop;
    wanted.ic = request.ic;
    wanted.board = request.board;
    Gtfs::ImportedRoute route;
    QByteArray hy3;
    QByteArray tape;
    withFeed(feedPath, [&](Gtfs::FeedSource& source) {
        route = Gtfs::importRoute(source, wanted);
        hy3 = Hy3File::write(route.records) + Hy3Layout::trailer(route.layout);
        tape = Gtfs::tapeBytes(route.tape);
        return 0;
    });
    if (!QDir().mkpath(outDir))
        throw Failure(QStringLiteral("%1: フォルダーを作れません。").arg(outDir));
    const QDir dir(outDir);
    const QString hy3Path = dir.filePath(route.keito + QStringLiteral(".hy3"));
    const QString tapePath = dir.filePath(route.keito + QStringLiteral("tp.csv"));
    saveAll({{hy3Path, hy3}, {tapePath, tape}});

    Outcome outcome;
    outcome.records = static_cast<int>(route.records.size());
    outcome.tickets = route.tickets;
    outcome.warnings = route.warnings;
    const QString board = route.layout == BoardLayout::Tickets36 ? QStringLiteral(" (運賃表示器: 整理券36)") : QString();
    outcome.written << QStringLiteral("%1: %2 停留所、整理券番号 1～%3 を書きました%4。")
                           .arg(hy3Path, QString::number(route.records.size()), QString::number(route.tickets), board)
                    << QStringLiteral("%1: 放送 %2 行を書きました。").arg(tapePath, QString::number(route.tape.size()));
    return outcome;
}

} // namespace Hy3Conv
