// hy3conv: converts a route's fare data between a readable CSV and the .hy3
// file the simulator reads, and makes a route of a published bus feed into a
// fare file and an announcement file.

#include "Convert.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace {

void printLine(std::FILE* to, const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), to);
}

int usage()
{
    printLine(stderr, QStringLiteral(
        "使い方:\n"
        "  hy3conv to-hy3 入力.csv 出力.hy3   CSV から運賃データファイルを作ります\n"
        "  hy3conv to-csv 入力.hy3 出力.csv   運賃データファイルを CSV にします\n"
        "  hy3conv routes フィード            GTFS-JP フィードの路線を一覧にします\n"
        "  hy3conv from-gtfs フィード 出力フォルダー --route 路線 [--direction 0|1] [--keito 系統番号]\n"
        "                    [--ticket-per-stop] [--ic] [--board 12|36]\n"
        "                                     路線の運賃データ (系統番号.hy3) と放送データ (系統番号tp.csv) を作ります\n"
        "                                     --ticket-per-stop: 運賃区間ごとでなく停留所ごとに整理券番号を出します\n"
        "                                     --ic: IC カードの運賃 (ic_price) を使います\n"
        "                                     --board: 運賃表示器 (整理券 12 番までか 36 番ずつか)。既定では\n"
        "                                              整理券番号が 12 を超える路線は 36 にします\n"
        "CSV は Shift-JIS (コードページ 932)、または BOM 付き UTF-8 です。\n"
        "フィードは公開されている zip ファイルか、その .txt ファイルのあるフォルダーです。"));
    return 2;
}

int refuse(const QString& text)
{
    printLine(stderr, QStringLiteral("hy3conv: ") + text);
    return 2;
}

void report(const Hy3Conv::Outcome& outcome)
{
    for (const QString& w : outcome.warnings)
        printLine(stderr, QStringLiteral("hy3conv: 注意: ") + w);
    for (const QString& line : outcome.written)
        printLine(stdout, line);
}

// from-gtfs FEED OUT_DIR --route R [--direction 0|1] [--keito K] [--ticket-per-stop] [--ic] [--board 12|36]
int fromGtfs(const QStringList& args)
{
    if (args.size() < 2)
        return usage();
    Hy3Conv::GtfsRequest request;
    bool haveRoute = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString& option = args[i];
        if (option == QLatin1String("--ticket-per-stop")) {
            request.ticketPerStop = true;
            continue;
        }
        if (option == QLatin1String("--ic")) {
            request.ic = true;
            continue;
        }
        const bool takesValue = option == QLatin1String("--route") || option == QLatin1String("--direction")
                             || option == QLatin1String("--keito") || option == QLatin1String("--board");
        if (!takesValue) {
            usage();
            return refuse(QStringLiteral("「%1」は知らないオプションです。").arg(option));
        }
        if (++i >= args.size())
            return refuse(QStringLiteral("%1 の後に値がありません。").arg(option));
        const QString& value = args[i];
        if (option == QLatin1String("--route")) {
            request.route = value;
            haveRoute = true;
        } else if (option == QLatin1String("--direction")) {
            if (value != QLatin1String("0") && value != QLatin1String("1"))
                return refuse(QStringLiteral("--direction は 0 か 1 です (「%1」は使えません)。").arg(value));
            request.direction = value.toInt();
        } else if (option == QLatin1String("--board")) {
            if (value != QLatin1String("12") && value != QLatin1String("36"))
                return refuse(QStringLiteral("--board は 12 か 36 です (「%1」は使えません)。").arg(value));
            request.board = value.toInt();
        } else {
            request.keito = value;
        }
    }
    if (!haveRoute)
        return refuse(QStringLiteral("--route で路線 (route_id か route_short_name) を指定してください。"));
    report(Hy3Conv::gtfsToHy3(args[0], args[1], request));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        usage();
        return 0;
    }
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    try {
        if (command == QLatin1String("routes")) {
            if (args.size() != 1)
                return usage();
            for (const QString& line : Hy3Conv::gtfsRoutes(args[0]))
                printLine(stdout, line);
            return 0;
        }
        if (command == QLatin1String("from-gtfs"))
            return fromGtfs(args);
        if (args.size() != 2)
            return usage();
        const QString& out = args[1];
        Hy3Conv::Outcome outcome;
        if (command == QLatin1String("to-hy3"))
            outcome = Hy3Conv::csvToHy3(args[0], out);
        else if (command == QLatin1String("to-csv"))
            outcome = Hy3Conv::hy3ToCsv(args[0], out);
        else
            return usage();
        report(outcome);
        printLine(stdout, QStringLiteral("%1: %2 停留所を書きました。").arg(out).arg(outcome.records));
        return 0;
    } catch (const Hy3Conv::Failure& e) {
        printLine(stderr, QStringLiteral("hy3conv: ") + e.message());
        return 1;
    }
}
