// yomi: prints, for each line of text, the katakana reading that the
// simulator's voice is given, so that a stop name or an announcement can be
// checked before it is spoken. 〓 marks a character without a reading (the
// voice pauses there). With --engine open-jtalk it prints what Open JTalk
// says, from its own trace.

#include "platform/AppError.h"
#include "platform/DataPaths.h"
#include "readings/PlaceNames.h"
#include "readings/Yomi.h"
#include "readings/YomiText.h"
#include "speech/OpenJTalkSpeech.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
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
        "  yomi [--readings 読み.csv] [--region 地域.csv] [--engine espeak-ng|open-jtalk] [文 ...]\n"
        "文を一つずつ、音声に渡すカタカナの読みにして一行ずつ書きます。文を与えないときは\n"
        "標準入力を一行ずつ読みます。〓 は読めない文字で、音声はそこで間をおきます。\n"
        "--readings: 利用者の読みの辞書 (%1 と同じ形式) を使います。\n"
        "--region: 地名の読みの癖 (%2 と同じ形式) を使います。\n"
        "--engine open-jtalk: Open JTalk が実際に言う読みを、その記録から書きます。")
                         .arg(Yomi::ReadingsFileName, Yomi::PlaceNames::HabitsFileName));
    return 2;
}

// What the chosen engine says for text.
using Reader = std::function<QString(const QString&)>;

Reader readerFor(const QString& engine)
{
    if (engine == QLatin1String("open-jtalk")) {
        const OpenJTalkSpeech::Paths paths = OpenJTalkSpeech::programPaths(DataPaths::DefaultVoiceFile);
        return [paths](const QString& text) {
            // The devoicing marks of the trace are no sound of their own.
            return OpenJTalkSpeech::say(paths, text).spoken.remove(QChar(0x2019));
        };
    }
    return [](const QString& text) { return Yomi::toSpeakable(text); };
}

} // namespace

int main(int argc, char** argv)
{
    // Open JTalk's voice is found beside the program.
    QCoreApplication app(argc, argv);
    QStringList texts;
    QString engine = QStringLiteral("espeak-ng");
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
        if (arg == QLatin1String("--engine")) {
            if (++i >= argc)
                return usage(stderr);
            engine = QString::fromUtf8(argv[i]);
            if (engine != QLatin1String("espeak-ng") && engine != QLatin1String("open-jtalk"))
                return usage(stderr);
            continue;
        }
        texts << arg;
    }
    if (const QString missing = DataPaths::placeNameFiles().missing; !missing.isEmpty())
        printLine(stderr, QStringLiteral("yomi: ") + missing);
    try {
        Yomi::load();
        const Reader read = readerFor(engine);
        if (!texts.isEmpty()) {
            for (const QString& t : texts)
                printLine(stdout, read(t));
            return 0;
        }
        std::string line;
        while (std::getline(std::cin, line))
            printLine(stdout, read(QString::fromUtf8(line)));
        return 0;
    } catch (const AppError& e) {
        printLine(stderr, QStringLiteral("yomi: ") + e.description());
        return 1;
    }
}
