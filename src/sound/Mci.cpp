#include "sound/Mci.h"

#include "sound/AudioOutput.h"
#include "sound/SoundDecoder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QStringList>

#include <array>
#include <optional>

namespace {

using namespace MciError;

struct Device
{
    QString alias;
    QString path;
    SoundInfo info;
    bool played = false;
};

// One open device per output channel, indexed by channel.
std::array<std::optional<Device>, AudioOutput::ChannelCount>& devices()
{
    static std::array<std::optional<Device>, AudioOutput::ChannelCount> open;
    return open;
}

// Words separated by blanks; a word that begins with a double quote runs to
// the next one, so a file name may hold blanks.
std::optional<QStringList> tokenize(const QString& command)
{
    QStringList words;
    qsizetype i = 0;
    const qsizetype n = command.size();
    while (i < n) {
        if (command[i].isSpace()) {
            ++i;
            continue;
        }
        if (command[i] == QLatin1Char('"')) {
            const qsizetype close = command.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                return std::nullopt;
            words.append(command.mid(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        qsizetype end = i;
        while (end < n && !command[end].isSpace())
            ++end;
        words.append(command.mid(i, end - i));
        i = end;
    }
    return words;
}

bool is(const QString& word, const char* keyword)
{
    return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

// The channel an alias plays on: its last two characters, S1 to S4.
int channelOf(const QString& alias)
{
    if (alias.size() < 2 || alias[alias.size() - 2].toUpper() != QLatin1Char('S'))
        return -1;
    const int digit = alias[alias.size() - 1].digitValue();
    return digit >= 1 && digit <= AudioOutput::ChannelCount ? digit - 1 : -1;
}

// The channel of an open device, or -1.
int openChannel(const QString& alias)
{
    const int channel = channelOf(alias);
    if (channel < 0 || !devices()[channel] || devices()[channel]->alias.compare(alias, Qt::CaseInsensitive) != 0)
        return -1;
    return channel;
}

// Waits like ApiLib::Sleep, but until the channel's sound ends. The audio
// thread only posts the wake-up; the loop is reached solely on this thread,
// and not at all once the wait is over.
void waitUntilDone(int channel)
{
    auto* application = QCoreApplication::instance();
    AudioOutput& output = AudioOutput::instance();
    if (!application || !output.isPlaying(channel))
        return;
    QEventLoop loop;
    auto target = std::make_shared<QEventLoop*>(&loop);
    output.whenDone(channel, [application, target] {
        QMetaObject::invokeMethod(
            application,
            [target] {
                if (*target)
                    (*target)->quit();
            },
            Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    *target = nullptr;
}

std::int32_t open(const QStringList& args)
{
    if (args.isEmpty() || args[0].isEmpty())
        return FilenameRequired;
    const QString& path = args[0];
    QString type;
    QString alias;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (is(args[i], "wait") || is(args[i], "shareable"))
            continue;
        if (i + 1 >= args.size())
            return MissingParameter;
        if (is(args[i], "type"))
            type = args[++i];
        else if (is(args[i], "alias"))
            alias = args[++i];
        else
            return UnrecognizedKeyword;
    }
    if (type.isEmpty())
        return DeviceTypeRequired;
    if (!is(type, "waveaudio") && !is(type, "mpegvideo") && !is(type, "sequencer"))
        return InvalidDeviceName;
    if (alias.isEmpty())
        return MissingParameter;
    const int channel = channelOf(alias);
    if (channel < 0)
        return InvalidDeviceName;
    if (devices()[channel])
        return DeviceOpen;
    const QFileInfo info(path);
    if (!info.isFile())
        return FileNotFound;
    // Looked at even without a device, so that a file which could never play
    // is refused the same way with sound or without. Only its header and
    // first block are read here; the rest is read while it plays.
    const SoundInfo sound = SoundDecoder::probe(path);
    if (!sound.ok())
        return InvalidFile;
    devices()[channel] = Device{alias, path, sound, false};
    return 0;
}

// close and stop take exactly one open device name; both silence its channel,
// close also forgets the device.
std::int32_t stopDevice(const QStringList& args, bool forget)
{
    if (args.size() != 1)
        return args.isEmpty() ? MissingParameter : UnrecognizedKeyword;
    const int channel = openChannel(args[0]);
    if (channel < 0)
        return InvalidDeviceName;
    AudioOutput::instance().stop(channel);
    if (forget)
        devices()[channel].reset();
    return 0;
}

std::int32_t close(const QStringList& args)
{
    return stopDevice(args, true);
}

std::int32_t stop(const QStringList& args)
{
    return stopDevice(args, false);
}

std::int32_t play(const QStringList& args)
{
    if (args.isEmpty())
        return MissingParameter;
    bool wait = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (is(args[i], "wait")) {
            wait = true;
        } else if (is(args[i], "from")) {
            if (i + 1 >= args.size())
                return MissingParameter;
            bool number = false;
            const int from = args[++i].toInt(&number);
            if (!number)
                return BadInteger;
            // Every sound here starts from its beginning.
            if (from != 0)
                return UnsupportedFunction;
        } else {
            return UnrecognizedKeyword;
        }
    }
    const int channel = openChannel(args[0]);
    if (channel < 0)
        return InvalidDeviceName;
    Device& device = *devices()[channel];
    AudioOutput::instance().play(channel, SoundDecoder::openStream(device.path, device.info));
    device.played = true;
    if (wait)
        waitUntilDone(channel);
    return 0;
}

// status <device> length | position | mode: milliseconds, or the word
// "playing" or "stopped".
std::int32_t status(const QStringList& args, QString* answer)
{
    if (args.size() < 2)
        return MissingParameter;
    if (args.size() > 2)
        return UnrecognizedKeyword;
    const int channel = openChannel(args[0]);
    if (channel < 0)
        return InvalidDeviceName;
    const Device& device = *devices()[channel];
    const AudioOutput& output = AudioOutput::instance();
    QString value;
    if (is(args[1], "length"))
        value = QString::number(device.info.lengthMs);
    else if (is(args[1], "position"))
        value = QString::number(device.played ? output.position(channel) * 1000 / AudioOutput::SampleRate : 0);
    else if (is(args[1], "mode"))
        value = device.played && output.isPlaying(channel) ? QStringLiteral("playing") : QStringLiteral("stopped");
    else
        return UnsupportedFunction;
    if (answer)
        *answer = value;
    return 0;
}

} // namespace

std::int32_t mciSendStringA(const QString& command)
{
    return mciSendStringA(command, nullptr);
}

std::int32_t mciSendStringA(const QString& command, QString* answer)
{
    if (answer)
        answer->clear();
    const std::optional<QStringList> words = tokenize(command);
    if (!words)
        return NoClosingQuote;
    if (words->isEmpty())
        return UnrecognizedCommand;
    const QString& verb = words->first();
    const QStringList args = words->mid(1);
    if (is(verb, "open"))
        return open(args);
    if (is(verb, "close"))
        return close(args);
    if (is(verb, "stop"))
        return stop(args);
    if (is(verb, "play"))
        return play(args);
    if (is(verb, "status"))
        return status(args, answer);
    return UnrecognizedCommand;
}
