#include "speech/OpenJTalkSpeech.h"

#include "platform/AppError.h"
#include "platform/BackgroundLoad.h"
#include "platform/DataPaths.h"
#include "readings/Yomi.h"
#include "sound/AudioOutput.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

using OpenJTalkText::Rounds;

// open_jtalk reads one line of its input into a buffer of 1024 bytes; a part
// stays well under that, however its pieces are given.
constexpr int MaxInputBytes = 900;

// A run that tells what would be said: the speech is thrown away, and made
// fast (the analysis does not depend on the speed).
constexpr double TraceOnlySpeed = 8.0;

enum class Output {
    SpeechAndTrace, // speech on the standard output, trace on the standard error
    TraceOnly,      // trace on the standard output
};

QStringList arguments(const OpenJTalkSpeech::Paths& paths, const VoiceSettings& settings, Output output)
{
    // Speed 1 is the voice's natural pace, at the rate announcements are read
    // at; a pitch step of 10 is one half-tone.
    const double speed = output == Output::TraceOnly ? TraceOnlySpeed
                                                     : static_cast<double>(settings.rate) / VoiceSettings::NaturalRate;
    const double halfTones = (settings.pitch - VoiceSettings::NaturalPitch) / 10.0;
    QStringList args{QStringLiteral("-x"), paths.dictionary, QStringLiteral("-m"), paths.voice,
                     QStringLiteral("-r"), QString::number(speed, 'f', 3), QStringLiteral("-fm"),
                     QString::number(halfTones, 'f', 1)};
    if (output == Output::TraceOnly)
        args << QStringLiteral("-ow") << QStringLiteral("/dev/null") << QStringLiteral("-ot") << QStringLiteral("/dev/stdout");
    else
        args << QStringLiteral("-ow") << QStringLiteral("/dev/stdout") << QStringLiteral("-ot") << QStringLiteral("/dev/stderr");
    return args;
}

// The parts of text as the readings read them. Without the readings (their
// dictionary missing) Open JTalk reads the text by itself, unchecked.
std::vector<Rounds> partsOf(const QString& text)
{
    std::vector<Yomi::Piece> pieces;
    bool verify = true;
    try {
        pieces = Yomi::pieces(text);
    } catch (const AppError&) {
        QString plain = text.simplified();
        if (!plain.isEmpty())
            pieces.push_back({Yomi::Piece::Kind::Word, plain, QString(), Yomi::Source::Dictionary, true});
        verify = false;
    }
    std::vector<Rounds> parts;
    for (std::vector<Yomi::Piece>& part : OpenJTalkText::parts(pieces, MaxInputBytes))
        parts.emplace_back(std::move(part), verify);
    return parts;
}

QByteArray inputLine(const Rounds& part)
{
    return part.input().toUtf8() + '\n';
}

} // namespace

struct OpenJTalkSpeech::Utterance
{
    QString text;
    VoiceSettings settings;
    std::vector<Rounds> parts;
    std::size_t part = 0; // the part being synthesised
    std::vector<OpenJTalkText::Pcm> speech; // of the parts done, in order
    std::size_t delivered = 0;              // parts handed to the output
    Process process;
    bool speaking = false; // else made ready ahead
    bool failed = false;

    bool done() const { return failed || part >= parts.size(); }
    bool wantsRun() const { return !done() && !process; }
};

void OpenJTalkSpeech::ProcessEnd::operator()(QProcess* process) const
{
    process->disconnect();
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        // Reaps it: no zombie is left behind.
        process->waitForFinished(5000);
    }
    delete process;
}

OpenJTalkSpeech::Paths OpenJTalkSpeech::programPaths(const QString& voiceFile)
{
    return {DataPaths::openJTalkProgram().path, DataPaths::openJTalkDictionary().path,
            QDir(DataPaths::voices().path).filePath(voiceFile)};
}

QString OpenJTalkSpeech::missing(const Paths& paths)
{
    if (!QFileInfo(paths.program).isExecutable())
        return QStringLiteral("Open JTalk (%1) がありません。open-jtalk を導入してください。").arg(paths.program);
    if (!QFileInfo(QDir(paths.dictionary).filePath(QStringLiteral("sys.dic"))).isFile())
        return QStringLiteral("Open JTalk の辞書 (%1) がありません。open-jtalk-mecab-naist-jdic を導入してください。")
            .arg(paths.dictionary);
    if (!QFileInfo(paths.voice).isFile())
        return QStringLiteral("Open JTalk の声 (%1) がありません。").arg(paths.voice);
    return {};
}

OpenJTalkSpeech::OpenJTalkSpeech(const Paths& paths)
    : m_paths(paths)
    , m_output(AudioOutput::shared())
{
    if (const QString why = missing(paths); !why.isEmpty())
        throw AppError(ErrNo::FileNotFound, why);
    // Once the windows are up: the readings' dictionary is loaded, and one
    // short run reads Open JTalk's dictionary and the voice into the
    // system's cache, so that the first announcement does not wait for the
    // disk. The run inherits the loader's low priority.
    m_loader = std::thread([this, paths] {
        BackgroundLoad::lowerThisThread();
        BackgroundLoad::waitForTurn();
        load(paths);
        m_loaded = true;
    });
}

void OpenJTalkSpeech::load(const Paths& paths)
{
    // A voice that goes before its turn came loads nothing.
    if (m_ending)
        return;
    try {
        Yomi::load();
    } catch (const AppError&) {
        // Said at start-up; Open JTalk then reads by itself.
    }
    QProcess warmUp;
    warmUp.start(paths.program, arguments(paths, VoiceSettings{}, Output::TraceOnly));
    warmUp.write(QByteArrayLiteral("あ\n"));
    warmUp.closeWriteChannel();
    while (!warmUp.waitForFinished(50)) {
        if (m_ending || warmUp.state() == QProcess::NotRunning) {
            warmUp.kill();
            warmUp.waitForFinished(5000);
            return;
        }
    }
}

OpenJTalkSpeech::~OpenJTalkSpeech()
{
    m_current.reset();
    m_ahead.reset();
    m_retired.clear();
    if (m_output)
        m_output->clearSpeech();
    m_ending = true;
    // A loader still held back would keep this waiting.
    BackgroundLoad::release();
    m_loader.join();
}

std::unique_ptr<OpenJTalkSpeech::Utterance> OpenJTalkSpeech::makeUtterance(const QString& text) const
{
    // A loader held back until the windows are up would hold this back too.
    BackgroundLoad::release();
    auto u = std::make_unique<Utterance>();
    u->text = text;
    u->settings = m_settings;
    u->parts = partsOf(text);
    return u;
}

bool OpenJTalkSpeech::matches(const std::unique_ptr<Utterance>& u, const QString& text) const
{
    return u && !u->failed && u->text == text && u->settings == m_settings;
}

void OpenJTalkSpeech::Speak(const QString& text)
{
    m_current.reset();
    m_output->clearSpeech();
    m_status = 0;
    if (matches(m_ahead, text))
        m_current = std::move(m_ahead);
    else
        m_current = makeUtterance(text);
    m_current->speaking = true;
    deliver(*m_current);
    pump();
}

void OpenJTalkSpeech::Prepare(const QString& text)
{
    if (matches(m_current, text) || matches(m_ahead, text))
        return;
    m_ahead = makeUtterance(text);
    pump();
}

void OpenJTalkSpeech::Stop()
{
    m_current.reset();
    m_output->clearSpeech();
    m_status = 0;
    pump();
}

std::int32_t OpenJTalkSpeech::Status() const
{
    return m_status;
}

bool OpenJTalkSpeech::synthesising() const
{
    return (m_current && m_current->process) || (m_ahead && m_ahead->process);
}

bool OpenJTalkSpeech::prepared(const QString& text) const
{
    return matches(m_ahead, text) && m_ahead->done();
}

// The speaking utterance first; the one ahead only while the speaking one
// has no run, so that the two never compete for the processor.
void OpenJTalkSpeech::pump()
{
    if (m_current && m_current->wantsRun())
        run(*m_current);
    if (m_ahead && m_ahead->wantsRun() && !(m_current && m_current->process))
        run(*m_ahead);
}

void OpenJTalkSpeech::run(Utterance& u)
{
    u.process.reset(new QProcess);
    QProcess* process = u.process.get();
    connect(process, &QProcess::finished, this, [this, &u] { finished(u); });
    connect(process, &QProcess::errorOccurred, this, [this, &u](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(u);
    });
    process->start(m_paths.program, arguments(m_paths, u.settings, Output::SpeechAndTrace));
    // A program that cannot start may say so at once.
    if (u.process.get() != process)
        return;
    process->write(inputLine(u.parts[u.part]));
    process->closeWriteChannel();
}

void OpenJTalkSpeech::finished(Utterance& u)
{
    QProcess* process = u.process.get();
    const bool ran = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    const QByteArray wav = process->readAllStandardOutput();
    const QByteArray trace = process->readAllStandardError();
    retire(u);
    OpenJTalkText::Pcm pcm = OpenJTalkText::readWav(wav);
    // A text with nothing to say gives no speech at all, which is no failure.
    if (!ran || (!wav.isEmpty() && pcm.rate == 0)) {
        fail(u);
        return;
    }
    if (u.parts[u.part].heard(OpenJTalkText::spokenFromTrace(trace))) {
        u.speech.push_back(std::move(pcm));
        ++u.part;
        deliver(u);
    }
    pump();
}

// A process that has ended, or failed to start, is deleted once its signal
// is over: this runs inside it.
void OpenJTalkSpeech::retire(Utterance& u)
{
    if (!u.process)
        return;
    m_retired.push_back(std::move(u.process));
    QTimer::singleShot(0, this, [this] { m_retired.clear(); });
}

void OpenJTalkSpeech::fail(Utterance& u)
{
    u.failed = true;
    retire(u);
    if (&u == m_current.get())
        m_status = -1;
    pump();
}

void OpenJTalkSpeech::deliver(Utterance& u)
{
    if (!u.speaking)
        return;
    const double gain = u.settings.volume / 100.0;
    for (; u.delivered < u.speech.size(); ++u.delivered) {
        OpenJTalkText::Pcm& pcm = u.speech[u.delivered];
        if (pcm.samples.empty())
            continue;
        if (u.settings.volume != 100) {
            for (std::int16_t& s : pcm.samples)
                s = static_cast<std::int16_t>(std::clamp(std::lround(s * gain), -32768L, 32767L));
        }
        m_output->appendSpeech(pcm.samples.data(), pcm.samples.size(), pcm.rate);
        if (m_tap)
            m_tap(pcm.samples.data(), pcm.samples.size(), pcm.rate);
    }
}

OpenJTalkSpeech::Said OpenJTalkSpeech::say(const Paths& paths, const QString& text)
{
    if (const QString why = missing(paths); !why.isEmpty())
        throw AppError(ErrNo::FileNotFound, why);
    Said said;
    for (Rounds& part : partsOf(text)) {
        for (;;) {
            QProcess process;
            process.start(paths.program, arguments(paths, VoiceSettings{}, Output::TraceOnly));
            process.write(inputLine(part));
            process.closeWriteChannel();
            if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit
                || process.exitCode() != 0) {
                process.kill();
                process.waitForFinished(5000);
                throw AppError(ErrNo::DeviceIoError, QStringLiteral("Open JTalk (%1) が動きません: %2")
                                                         .arg(paths.program, QString::fromLocal8Bit(process.readAllStandardError()).trimmed()));
            }
            ++said.runs;
            // A text with nothing to say leaves no trace at all.
            const QByteArray trace = process.readAllStandardOutput();
            if (!trace.isEmpty() && !trace.contains("[Text analysis result]"))
                throw AppError(ErrNo::DeviceIoError,
                               QStringLiteral("Open JTalk (%1) の記録が読めません。").arg(paths.program));
            const QString spoken = OpenJTalkText::spokenFromTrace(trace);
            const QString given = part.input();
            if (part.heard(spoken)) {
                said.input += given;
                said.spoken += spoken;
                said.agreed = said.agreed && part.agreed();
                break;
            }
        }
    }
    return said;
}
