#include "EntryGuard.h"
#include "MirvRes.h"

#include "PluginFile.h"
#include "TicketPainter.h"
#include "platform/Cp932.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcPlugin, "mirvres.plugin")

// Every entry point reads the file afresh: a plug-in edited while the
// simulator runs shows its new layout at the next stop. The files are small.
std::optional<PluginFile::Plugin> open(const char* path)
{
    if (!path || !*path)
        return std::nullopt;
    const std::optional<QString> name = Cp932::decode(QByteArray(path));
    if (!name)
        return std::nullopt;
    QString error;
    std::optional<PluginFile::Plugin> plugin = PluginFile::load(*name, &error);
    // The options page only says the file was refused; a plug-in author
    // running from a terminal learns why.
    if (!plugin)
        qCInfo(lcPlugin).noquote() << *name << ":" << error;
    return plugin;
}

} // namespace

extern "C" {

int32_t Mrv_GetPlgInfo(const char* path, PlgInfo* info)
{
    return guardedEntry([&]() -> std::int32_t {
        if (!info)
            return 0;
        const auto plugin = open(path);
        if (!plugin)
            return 0;
        *info = plugin->info;
        return 1;
    });
}

int32_t Mrv_SetPlgComment(const char* path, MrvWindow textBox)
{
    return guardedEntry([&]() -> std::int32_t {
        auto* widget = static_cast<QWidget*>(textBox);
        if (!widget)
            return 0;
        const auto plugin = open(path);
        if (!plugin)
            return 0;
        if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
            plain->setPlainText(plugin->notes);
        else if (auto* rich = qobject_cast<QTextEdit*>(widget))
            rich->setPlainText(plugin->notes);
        else if (auto* line = qobject_cast<QLineEdit*>(widget))
            line->setText(QString(plugin->notes).replace(u'\n', u' '));
        else
            return 0;
        return 1;
    });
}

int32_t Mrv_SetCorpAddList(const char* path, MrvWindow combo)
{
    return guardedEntry([&]() -> std::int32_t {
        auto* box = qobject_cast<QComboBox*>(static_cast<QWidget*>(combo));
        if (!box)
            return 0;
        const auto plugin = open(path);
        // A single name without switching is printed, not offered.
        if (!plugin || plugin->info.nCorpCount < 1)
            return 0;
        box->addItems(plugin->companies);
        return static_cast<std::int32_t>(plugin->companies.size());
    });
}

int32_t Mrv_DrawSeiriken(const char* path, MrvPainter painter, char* stopName, char* date, const char* time,
                         int32_t routeNumber, int16_t ticketNumber, int16_t stopIndex, int32_t companyIndex)
{
    return guardedEntry([&]() -> std::int32_t {
        auto* p = static_cast<QPainter*>(painter);
        if (!p || !p->isActive())
            return 0;
        const auto plugin = open(path);
        if (!plugin)
            return 0;
        QByteArray name = stopName ? QByteArray(stopName) : QByteArray();
        if (const int limit = TicketPainter::stopNameLimit(*plugin); limit > 0 && name.size() > limit) {
            name = TicketPainter::cutCp932(name, limit);
            // Only ever shorter: the caller's buffer holds it.
            std::memcpy(stopName, name.constData(), static_cast<size_t>(name.size()));
            stopName[name.size()] = '\0';
        }
        TicketPainter::Values values;
        values.stopName = Cp932::decodeForDisplay(name);
        values.date = Cp932::decodeForDisplay(date ? QByteArray(date) : QByteArray());
        values.time = Cp932::decodeForDisplay(time ? QByteArray(time) : QByteArray());
        values.route = routeNumber;
        values.ticket = ticketNumber;
        values.stopIndex = stopIndex;
        values.company = companyIndex;
        TicketPainter::draw(*plugin, *p, values);
        return 1;
    });
}

} // extern "C"
