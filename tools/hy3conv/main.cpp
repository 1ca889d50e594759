// hy3conv: converts a route's fare data between a readable CSV and the .hy3
// file the simulator reads.

#include "Convert.h"

#include <QString>

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
        "CSV は Shift-JIS (コードページ 932)、または BOM 付き UTF-8 です。"));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (QString::fromLocal8Bit(argv[1]) == QLatin1String("--help")
                      || QString::fromLocal8Bit(argv[1]) == QLatin1String("-h"))) {
        usage();
        return 0;
    }
    if (argc != 4)
        return usage();
    const QString command = QString::fromLocal8Bit(argv[1]);
    const QString in = QString::fromLocal8Bit(argv[2]);
    const QString out = QString::fromLocal8Bit(argv[3]);
    try {
        Hy3Conv::Outcome outcome;
        if (command == QLatin1String("to-hy3"))
            outcome = Hy3Conv::csvToHy3(in, out);
        else if (command == QLatin1String("to-csv"))
            outcome = Hy3Conv::hy3ToCsv(in, out);
        else
            return usage();
        for (const QString& w : outcome.warnings)
            printLine(stderr, QStringLiteral("hy3conv: 注意: ") + w);
        printLine(stdout, QStringLiteral("%1: %2 停留所を書きました。").arg(out).arg(outcome.records));
        return 0;
    } catch (const Hy3Conv::Failure& e) {
        printLine(stderr, QStringLiteral("hy3conv: ") + e.message());
        return 1;
    }
}
