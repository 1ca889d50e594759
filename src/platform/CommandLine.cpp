#include "platform/CommandLine.h"

#include "platform/ApiLib.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace CommandLine {

namespace {

// Long enough for the board, the panel and any start-up note to be shown
// and painted.
constexpr int ScreenshotDelayMs = 1500;

const QCommandLineOption HelpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("この説明を表示して終わります。"));
const QCommandLineOption VersionOption({QStringLiteral("v"), QStringLiteral("version")},
                                       QStringLiteral("バージョンを表示して終わります。"));
const QCommandLineOption ScreenshotOption(QStringLiteral("screenshot"),
                                          QStringLiteral("盤と操作盤が表示されたら画面の画像を FILE (PNG) に保存して"
                                                         "終わります。設定ファイルは保存しません。"),
                                          QStringLiteral("FILE"));

// Parses arguments, answers --help and --version (ending the process) and
// ends with status 2 on a wrong command line.
void parseOrExit(QCommandLineParser& parser, const QStringList& arguments)
{
    QCoreApplication::setApplicationName(QStringLiteral("517"));
    QCoreApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    parser.setApplicationDescription(QStringLiteral("運賃表示器シミュレーター: 路線バスの運賃表示器と集中操作盤"));
    parser.addOption(HelpOption);
    parser.addOption(VersionOption);
    parser.addOption(ScreenshotOption);
    QString wrong;
    if (!parser.parse(arguments))
        wrong = QStringLiteral("コマンドラインが正しくありません (%1)").arg(parser.errorText());
    else if (!parser.positionalArguments().isEmpty())
        wrong = QStringLiteral("余分な引数「%1」があります。").arg(parser.positionalArguments().first());
    if (!wrong.isEmpty()) {
        std::fprintf(stderr, "517: %s\n\n%s", qPrintable(wrong), qPrintable(parser.helpText()));
        std::exit(2);
    }
    if (parser.isSet(HelpOption))
        parser.showHelp(0);
    if (parser.isSet(VersionOption))
        parser.showVersion();
}

// Every visible window painted at its place on a black screen, with its
// shape. Used where the platform cannot grab the screen (offscreen).
QImage composeWindows(const QRect& screen)
{
    QImage image(screen.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (!window->isVisible() || window->windowType() == Qt::Desktop)
            continue;
        const QPoint at = window->geometry().topLeft() - screen.topLeft();
        painter.save();
        if (!window->mask().isEmpty())
            painter.setClipRegion(window->mask().translated(at));
        painter.drawPixmap(at, window->grab());
        painter.restore();
    }
    return image;
}

bool saveScreen(const QString& file)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    QImage image = screen->grabWindow(0).toImage();
    if (image.isNull())
        image = composeWindows(screen->geometry());
    QImageWriter writer(file, "png");
    return writer.write(image);
}

} // namespace

void answerTextOptions(int& argc, char** argv)
{
    const bool asked = std::any_of(argv + 1, argv + argc, [](const char* arg) {
        return std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-v") == 0
            || std::strcmp(arg, "--version") == 0;
    });
    if (!asked)
        return;
    // A core application needs no display; it only gives the parser the
    // program's arguments.
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    parseOrExit(parser, core.arguments());
}

Request parse(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parseOrExit(parser, app.arguments());
    return {parser.value(ScreenshotOption)};
}

void screenshotLater(const QString& file)
{
    const QString target = QDir::current().absoluteFilePath(file);
    QTimer::singleShot(ScreenshotDelayMs, qApp, [target] {
        const bool saved = saveScreen(target);
        if (saved)
            std::printf("画面の画像を %s に保存しました。\n", qPrintable(target));
        else
            std::fprintf(stderr, "517: 画面の画像を %s に保存できませんでした。\n", qPrintable(target));
        std::fflush(stdout);
        // As at an ordinary end, the voice goes before the sound output it
        // feeds is torn down with the program's statics.
        ApiLib::ReleaseSpeech();
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

} // namespace CommandLine
