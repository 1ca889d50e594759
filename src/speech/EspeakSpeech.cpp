#include "speech/EspeakSpeech.h"

#include "platform/ApiLib.h"
#include "platform/AppError.h"
#include "platform/BackgroundLoad.h"
#include "platform/EngineLibraries.h"
#include "sound/AudioOutput.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace {

// espeak-ng keeps one voice per process and is not reentrant: every call
// into it holds this lock.
std::mutex& voiceMutex()
{
    static std::mutex m;
    return m;
}

std::atomic<int> g_sampleRate{0};

bool hasJapaneseVoice(const QString& dataDir)
{
    const QDir dir(dataDir);
    return QFileInfo(dir.filePath(QStringLiteral("phontab"))).isFile()
        && QFileInfo(dir.filePath(QStringLiteral("ja_dict"))).isFile()
        && QFileInfo(dir.filePath(QStringLiteral("lang/jpx/ja"))).isFile();
}

AppError noJapaneseVoice(const QString& dataDir)
{
    return AppError(ErrNo::FileNotFound,
                    QStringLiteral("espeak-ng の日本語音声 (ja) が %1 にありません。espeak-ng-data を導入してください。")
                        .arg(dataDir));
}

// espeak-ng's functions; raises when the library cannot be opened.
const EngineLibraries::Espeak& openedEspeak()
{
    const EngineLibraries::Espeak& espeak = EngineLibraries::espeak();
    if (!espeak)
        throw AppError(ErrNo::DeviceUnavailable, QStringLiteral("音声合成エンジン espeak-ng を読み込めません (%1)。").arg(espeak.missing));
    return espeak;
}

// Whether espeak-ng's Japanese voice is where it will be looked for, without
// loading it. Called with voiceMutex held.
void checkVoice(const QString& voiceData)
{
    if (!voiceData.isEmpty()) {
        if (!hasJapaneseVoice(voiceData))
            throw noJapaneseVoice(voiceData);
        return;
    }
    if (g_sampleRate > 0)
        return;
    const EngineLibraries::Espeak& espeak = openedEspeak();
    // Only settles which folder espeak-ng will read.
    espeak.ng_InitializePath(nullptr);
    const char* dataPath = nullptr;
    espeak.Info(&dataPath);
    const QString actual = QString::fromLocal8Bit(dataPath ? dataPath : "");
    if (!hasJapaneseVoice(actual))
        throw noJapaneseVoice(actual);
}

// Starts espeak-ng once for the process; the first engine's data folder
// serves every later one. Called with voiceMutex held.
void startVoice(const QString& voiceData, int (*callback)(short*, int, espeak_EVENT*))
{
    if (!voiceData.isEmpty() && !hasJapaneseVoice(voiceData))
        throw noJapaneseVoice(voiceData);
    if (g_sampleRate > 0)
        return;
    const EngineLibraries::Espeak& espeak = openedEspeak();
    // espeak-ng wants the folder that holds espeak-ng-data, and without
    // DONT_EXIT it ends the process when the data are missing.
    const QByteArray parent = voiceData.isEmpty() ? QByteArray() : QFileInfo(voiceData).absolutePath().toLocal8Bit();
    const int rate = espeak.Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 100, parent.isEmpty() ? nullptr : parent.constData(),
                                       espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0)
        throw AppError(ErrNo::DeviceUnavailable, QStringLiteral("音声合成エンジン espeak-ng を起動できません。"));
    const char* dataPath = nullptr;
    espeak.Info(&dataPath);
    const QString actual = QString::fromLocal8Bit(dataPath ? dataPath : "");
    if (!hasJapaneseVoice(actual) || espeak.SetVoiceByName("ja") != EE_OK) {
        espeak.Terminate();
        throw noJapaneseVoice(actual);
    }
    espeak.SetSynthCallback(callback);
    g_sampleRate = rate;
}

} // namespace

struct SynthCallback
{
    static int call(short* wav, int count, espeak_EVENT* events)
    {
        // Without a delivery the synthesis only traces phonemes.
        auto* delivery = events ? static_cast<EspeakSpeech::Delivery*>(events->user_data) : nullptr;
        if (!delivery)
            return 0;
        // Non-zero tells espeak-ng to abandon the text.
        return delivery->engine->deliver(wav, count, delivery->generation) ? 0 : 1;
    }
};

EspeakSpeech::EspeakSpeech()
    : EspeakSpeech(Paths{})
{
}

namespace {

void checkPaths(const EspeakSpeech::Paths& paths)
{
    if (!QFileInfo(paths.dictionary + QStringLiteral("/sys.dic")).isFile())
        throw AppError(ErrNo::FileNotFound,
                       QStringLiteral("読み上げに使う MeCab の辞書 (%1) がありません。mecab-ipadic-utf8 を導入してください。")
                           .arg(paths.dictionary));
    std::lock_guard lock(voiceMutex());
    checkVoice(paths.voiceData);
}

} // namespace

QString EspeakSpeech::missing(const Paths& paths)
{
    try {
        checkPaths(paths);
    } catch (const AppError& e) {
        return e.description();
    }
    return {};
}

EspeakSpeech::EspeakSpeech(const Paths& paths)
    : m_output(AudioOutput::shared())
    , m_paths(paths)
{
    checkPaths(paths);
    // The worker does not ask the application for the name.
    m_worker = std::thread([this, program = ApiLib::ExeName()] { run(program); });
}

EspeakSpeech::~EspeakSpeech()
{
    cancelCurrent();
    {
        std::lock_guard lock(m_queueMutex);
        m_quit = true;
    }
    m_wake.notify_one();
    // A loader still held back would keep the worker, and so this, waiting.
    BackgroundLoad::release();
    m_worker.join();
}

void EspeakSpeech::Speak(const QString& text)
{
    waitLoaded();
    QByteArray input;
    try {
        input = voiceInput(Yomi::toSpeakable(text)).toUtf8();
    } catch (const AppError&) {
        cancelCurrent();
        m_status = -1;
        return;
    }
    m_status = 0;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(m_audioMutex);
        generation = ++m_generation;
        m_output->clearSpeech();
    }
    if (input.isEmpty())
        return;
    {
        std::lock_guard lock(m_queueMutex);
        m_pending = Job{generation, input, m_settings};
    }
    m_wake.notify_one();
}

void EspeakSpeech::Stop()
{
    cancelCurrent();
    m_status = 0;
}

std::int32_t EspeakSpeech::Status() const
{
    return m_status;
}

QString EspeakSpeech::voiceInput(const QString& speakable)
{
    static const QRegularExpression ry(QStringLiteral("[リり]([ャュョゃゅょ])(ー*)"));
    QString out;
    qsizetype from = 0;
    for (auto it = ry.globalMatch(speakable); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QChar small = m.captured(1).at(0);
        const QString vowel = (small == QChar(0x30E3) || small == QChar(0x3083)) ? QStringLiteral("a")
                            : (small == QChar(0x30E5) || small == QChar(0x3085)) ? QStringLiteral("u")
                                                                                 : QStringLiteral("o");
        out += speakable.mid(from, m.capturedStart() - from);
        out += QStringLiteral("[[r`_j") + vowel.repeated(1 + m.capturedLength(2)) + QStringLiteral("]]");
        from = m.capturedEnd();
    }
    out += speakable.mid(from);
    // A character without a reading is a pause, not a named symbol.
    out.replace(QChar(Yomi::UnknownMark), QChar(0x3001));
    return out;
}

QString EspeakSpeech::phonemes(const QString& text) const
{
    waitLoaded();
    const QByteArray input = voiceInput(Yomi::toSpeakable(text)).toUtf8();
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* trace = open_memstream(&buffer, &size);
    if (!trace)
        throw AppError(ErrNo::OutOfMemory);
    {
        const EngineLibraries::Espeak& espeak = EngineLibraries::espeak();
        std::lock_guard lock(voiceMutex());
        espeak.SetPhonemeTrace(espeakPHONEMES_IPA, trace);
        espeak.Synth(input.constData(), static_cast<std::size_t>(input.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8 | espeakPHONEMES, nullptr, nullptr);
        espeak.SetPhonemeTrace(0, nullptr);
    }
    std::fclose(trace);
    const QString result = QString::fromUtf8(buffer, static_cast<qsizetype>(size)).trimmed();
    std::free(buffer);
    return result;
}

void EspeakSpeech::setPcmTap(PcmTap tap)
{
    std::lock_guard lock(m_audioMutex);
    m_tap = std::move(tap);
}

int EspeakSpeech::sampleRate()
{
    return g_sampleRate;
}

void EspeakSpeech::cancelCurrent()
{
    {
        std::lock_guard lock(m_audioMutex);
        ++m_generation;
        m_output->clearSpeech();
    }
    std::lock_guard lock(m_queueMutex);
    m_pending.reset();
}

void EspeakSpeech::load(const QString& program)
{
    bool failed = false;
    bool ending = false;
    {
        std::lock_guard lock(m_queueMutex);
        ending = m_quit;
    }
    try {
        // An engine that goes before its turn came loads nothing.
        if (ending) {
            failed = true;
        } else {
            Yomi::load(m_paths.dictionary);
            std::lock_guard lock(voiceMutex());
            startVoice(m_paths.voiceData, &SynthCallback::call);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: speech is not available: %s\n", qPrintable(program), e.what());
        failed = true;
    }
    {
        std::lock_guard lock(m_loadMutex);
        m_loadDone = true;
        m_loadFailed = failed;
    }
    m_loadChanged.notify_all();
}

void EspeakSpeech::waitLoaded() const
{
    BackgroundLoad::release();
    std::unique_lock lock(m_loadMutex);
    m_loadChanged.wait(lock, [this] { return m_loadDone; });
}

void EspeakSpeech::run(const QString& program)
{
    // Loaded on a thread of its own, at a lower priority than the windows
    // coming up; the voice itself then speaks at the normal one.
    std::thread loader([this, &program] {
        BackgroundLoad::lowerThisThread();
        BackgroundLoad::waitForTurn();
        load(program);
    });
    loader.join();
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_queueMutex);
            m_wake.wait(lock, [this] { return m_quit || m_pending.has_value(); });
            if (m_quit)
                return;
            job = std::move(*m_pending);
            m_pending.reset();
        }
        if (job.generation == m_generation)
            synthesise(job);
    }
}

void EspeakSpeech::synthesise(const Job& job)
{
    espeak_ERROR result = EE_INTERNAL_ERROR;
    if (!m_failNext.exchange(false) && !m_loadFailed) {
        Delivery delivery{this, job.generation};
        const EngineLibraries::Espeak& espeak = EngineLibraries::espeak();
        std::lock_guard lock(voiceMutex());
        espeak.SetParameter(espeakRATE, job.settings.rate, 0);
        espeak.SetParameter(espeakPITCH, job.settings.pitch, 0);
        espeak.SetParameter(espeakVOLUME, job.settings.volume, 0);
        result = espeak.Synth(job.input.constData(), static_cast<std::size_t>(job.input.size()) + 1, 0, POS_CHARACTER, 0,
                              espeakCHARS_UTF8 | espeakPHONEMES | espeakENDPAUSE, nullptr, &delivery);
    }
    // A request that was cancelled meanwhile did not fail.
    if (result != EE_OK && job.generation == m_generation)
        m_status = -1;
}

bool EspeakSpeech::deliver(const short* wav, int count, std::uint64_t generation)
{
    std::lock_guard lock(m_audioMutex);
    if (generation != m_generation)
        return false;
    if (wav && count > 0) {
        m_output->appendSpeech(wav, static_cast<std::size_t>(count), g_sampleRate);
        if (m_tap)
            m_tap(wav, static_cast<std::size_t>(count));
    }
    return true;
}
