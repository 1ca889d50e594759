// yomi: prints, for each line of text, the katakana reading that the
// simulator's voice is given, so that a stop name or an announcement can be
// checked before it is spoken. 〓 marks a character without a reading (the
// voice pauses there).

#include "platform/AppError.h"
#include "platform/DataPaths.h"
#include "readings/PlaceNames.h"
#include "readings/Yomi.h"
#include "readings/YomiText.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

void printLine(std::FILE* to, const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), to);
    std::fflush(to);
}

int usage(std::FILE* to)
{
    printLine(to, QStringLiteral(
        "使い方:\n"
        "  yomi [--readings 読み.csv] [--region 地域.csv] [文 ...]\n"
        "文を一つずつ、音声に渡すカタカナの読みにして一行ずつ書きます。文を与えないときは\n"
        "標準入力を一行ずつ読みます。〓 は読めない文字で、音声はそこで間をおきます。\n"
        "--readings: 利用者の読みの辞書 (%1 と同じ形式) を使います。\n"
        "--region: 地名の読みの癖 (%2 と同じ形式) を使います。")
                         .arg(Yomi::ReadingsFileName, Yomi::PlaceNames::HabitsFileName));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList texts;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromUtf8(argv[i]);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            usage(stdout);
            return 0;
        }
        if (arg == QLatin1String("--readings") || arg == QLatin1String("--region")) {
            if (++i >= argc)
                return usage(stderr);
            const QString path = QString::fromUtf8(argv[i]);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                printLine(stderr, QStringLiteral("yomi: 読みの辞書 %1 を開けません。").arg(path));
                return 1;
            }
            Yomi::Text::ReadingsFile parsed = Yomi::Text::parseReadings(file.readAll(), QFileInfo(path).fileName());
            for (const QString& p : parsed.problems)
                printLine(stderr, QStringLiteral("yomi: ") + p);
            if (arg == QLatin1String("--readings"))
                Yomi::setUserReadings(std::move(parsed.readings));
            else
                Yomi::setHabits(std::move(parsed.readings));
            continue;
        }
        texts << arg;
    }
    if (const QString missing = DataPaths::placeNameFiles().missing; !missing.isEmpty())
        printLine(stderr, QStringLiteral("yomi: ") + missing);
    try {
        Yomi::load();
        if (!texts.isEmpty()) {
            for (const QString& t : texts)
                printLine(stdout, Yomi::toSpeakable(t));
            return 0;
        }
        std::string line;
        while (std::getline(std::cin, line))
            printLine(stdout, Yomi::toSpeakable(QString::fromUtf8(line)));
        return 0;
    } catch (const AppError& e) {
        printLine(stderr, QStringLiteral("yomi: ") + e.description());
        return 1;
    }
}
