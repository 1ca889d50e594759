// The ticket plug-in: read, then drawn as the options page previews it, with
// a fixed date and time so that a finding replays the same way.

#include "PluginFile.h"
#include "TicketPainter.h"

#include "platform/Cp932.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Drawing text needs the fonts, which need an application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // Painter warnings about odd layouts would only slow the runs down.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto plugin = PluginFile::parse(bytes);
    if (!plugin)
        return 0;

    TicketPainter::Values values;
    QByteArray stop = Cp932::encodeForDisplay(QStringLiteral("市役所前北口バスターミナル"), "?");
    if (const int limit = TicketPainter::stopNameLimit(*plugin); limit > 0)
        stop = TicketPainter::cutCp932(stop, limit);
    values.stopName = Cp932::decodeForDisplay(stop);
    values.date = QStringLiteral("2024/04/01");
    values.time = QStringLiteral("14:05:09");
    values.route = 12;
    values.ticket = 34;
    values.stopIndex = 5;
    values.company = plugin->companies.size() - 1;

    QImage image(plugin->info.nPrevWidth, plugin->info.nPrevHeight, QImage::Format_RGB32);
    if (image.isNull())
        return 0;
    QPainter painter(&image);
    TicketPainter::draw(*plugin, painter, values);
    return 0;
}
