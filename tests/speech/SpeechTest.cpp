#include "platform/AppError.h"
#include "platform/BackgroundLoad.h"
#include "readings/Yomi.h"
#include "sound/AudioOutput.h"
#include "speech/EspeakSpeech.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

const QString TestSentence = QStringLiteral("次は、市役所前です。お降りの方はお知らせください。");

// espeak-ng is one per process: the tests share one engine. It is made as
// the program makes it, before the windows are up, with the loaders held
// back: the first thing asked of it has to let them go.
EspeakSpeech& engine()
{
    static const bool held = [] {
        BackgroundLoad::holdUntilShown();
        return true;
    }();
    (void)held;
    static EspeakSpeech e;
    return e;
}

// Counts the PCM the engine hands to the audio output.
class PcmCounter
{
public:
    explicit PcmCounter(EspeakSpeech& e)
        : m_engine(e)
    {
        m_engine.setPcmTap([this](const std::int16_t* samples, std::size_t count) {
            std::lock_guard lock(m_mutex);
            for (std::size_t i = 0; i < count; ++i)
                m_loud = m_loud || samples[i] > 1000 || samples[i] < -1000;
            m_samples += count;
            m_changed.notify_all();
        });
    }
    ~PcmCounter() { m_engine.setPcmTap({}); }

    std::size_t samples()
    {
        std::lock_guard lock(m_mutex);
        return m_samples;
    }
    bool loud()
    {
        std::lock_guard lock(m_mutex);
        return m_loud;
    }
    void reset()
    {
        std::lock_guard lock(m_mutex);
        m_samples = 0;
        m_loud = false;
    }
    bool waitForFirst(std::chrono::milliseconds limit)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [this] { return m_samples > 0; });
    }
    // Synthesis runs far faster than the voice plays: it is over once no
    // block has come for a while.
    std::size_t waitForEnd()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            const std::size_t before = m_samples;
            if (!m_changed.wait_for(lock, 300ms, [&] { return m_samples != before; }))
                return m_samples;
        }
    }

private:
    EspeakSpeech& m_engine;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_samples = 0;
    bool m_loud = false;
};

class SpeechTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        engine().Stop();
        engine().setSettings(VoiceSettings{});
    }
    void TearDown() override { engine().Stop(); }

    std::size_t samplesOf(const QString& text)
    {
        PcmCounter pcm(engine());
        engine().Speak(text);
        const std::size_t n = pcm.waitForEnd();
        engine().Stop();
        return n;
    }
};

} // namespace

// --- readings ---------------------------------------------------------------------

struct Reading
{
    const char* text;
    const char* kana;
};

TEST(YomiTest, ReadsAnnouncementsByPronunciation)
{
    const Reading cases[] = {
        // pronunciation, not reading: は after 次 is ワ
        {"次は", "ツギワ"},
        {"次は、市役所前です。", "ツギワ、シヤクショマエデス。"},
        // the transit words
        {"お降りの方は", "オオリノカタワ"},
        {"お降りください", "オオリクダサイ"},
        {"停留所", "テーリュージョ"},
        {"12系統", "ジューニケートー"},
        {"整理券をお取りください", "セーリケンヲ オトリクダサイ"},
        {"降車ボタン", "コーシャボタン"},
        {"運賃の両替", "ウンチンノ リョーガエ"},
        {"降り口", "オリグチ"},
        {"市役所前行きです", "シヤクショマエユキデス"},
        {"駅へ行きます", "エキエ イキマス"},
        {"次、停まります", "ツギ、トマリマス"},
        // エイ spoken long in Chinese readings the dictionary spells with イ
        {"停車", "テーシャ"},
        // numbers in either width, with counters that change them
        {"１２番", "ジューニバン"},
        {"230円", "ニヒャクサンジューエン"},
        {"1,000円", "センエン"},
        {"4円", "ヨエン"},
        {"4時10分", "ヨジジュップン"},
        {"19時3分", "ジュークジサンプン"},
        {"9月", "クガツ"},
        {"2.5キロ", "ニテンゴキロ"},
        // Latin letters by name, half-width kana widened
        {"JR線", "ジェーアールセン"},
        {"ﾊﾞｽ", "バス"},
        // symbols: pauses or nothing, never a named character
        {"市役所前・病院前", "シヤクショマエ、ビョーインマエ"},
        {"「次」は？", "ツギ ワ?"},
        {"終点です。。", "シューテンデス。"},
        {"、", ""},
        {"", ""},
    };
    for (const Reading& c : cases)
        EXPECT_EQ(Yomi::toSpeakable(QString::fromUtf8(c.text)).toStdString(), c.kana) << c.text;
}

TEST(YomiTest, ReadsNumbers)
{
    const Reading cases[] = {
        {"0", "ゼロ"},
        {"7", "ナナ"},
        {"10", "ジュー"},
        {"11", "ジューイチ"},
        {"20", "ニジュー"},
        {"100", "ヒャク"},
        {"300", "サンビャク"},
        {"600", "ロッピャク"},
        {"800", "ハッピャク"},
        {"1000", "セン"},
        {"3000", "サンゼン"},
        {"8000", "ハッセン"},
        {"9999", "キューセンキューヒャクキュージューキュー"},
        {"10000", "イチマン"},
        {"10001", "イチマンイチ"},
        {"20010", "ニマンジュー"},
        {"100000000", "イチオク"},
        {"1000000000000", "イッチョー"},
        {"10000000000000000", "イッケー"},
        // codes and route numbers written with leading zeros
        {"007", "ゼロゼロナナ"},
        {"012", "ゼロイチニ"},
        {"123456789012345678901", "イチニサンヨンゴロクナナハチキューゼロイチニサンヨンゴロクナナハチキューゼロイチ"},
        {"", ""},
    };
    for (const Reading& c : cases)
        EXPECT_EQ(Yomi::numberReading(QString::fromUtf8(c.text)).toStdString(), c.kana) << c.text;
}

// --- what the voice is fed ------------------------------------------------------------

TEST(VoiceInputTest, RyuSyllablesGoAsPhonemes)
{
    const Reading cases[] = {
        {"テーリュージョ", "テー[[r`_juu]]ジョ"},
        {"リョーガエ", "[[r`_joo]]ガエ"},
        {"リャク", "[[r`_ja]]ク"},
        {"りゅ", "[[r`_ju]]"},
        {"キュー リ", "キュー リ"},
    };
    for (const Reading& c : cases)
        EXPECT_EQ(EspeakSpeech::voiceInput(QString::fromUtf8(c.text)).toStdString(), c.kana) << c.text;
}

TEST_F(SpeechTest, VoiceSaysReadingsNotCharacterNames)
{
    // espeak-ng names what it cannot read ("Chinese letter") in English.
    const char* announcements[] = {
        "次は、市役所前です。お降りの方はお知らせください。",
        "毎度ご乗車ありがとうございます。このバスは12系統、駅前経由、市民病院行きです。",
        "整理券をお取りください。運賃は230円です。両替は停車中にお願いします。",
        "ＪＲ線はお乗り換えです。ｰ★",
    };
    for (const char* a : announcements) {
        const QString ipa = engine().phonemes(QString::fromUtf8(a));
        EXPECT_FALSE(ipa.isEmpty()) << a;
        EXPECT_FALSE(ipa.contains(QStringLiteral("(en)"))) << a << " -> " << ipa.toStdString();
    }
    // The ryu of 停留所 is palatal r with u, not "rya-u".
    const QString teiryuujo = engine().phonemes(QStringLiteral("停留所"));
    EXPECT_TRUE(teiryuujo.contains(QStringLiteral("ɽʲɯ"))) << teiryuujo.toStdString();
    EXPECT_FALSE(teiryuujo.contains(QStringLiteral("ɽʲä"))) << teiryuujo.toStdString();
}

// --- speaking --------------------------------------------------------------------------

TEST_F(SpeechTest, SpeakReturnsAtOnceAndTheVoiceFollows)
{
    PcmCounter pcm(engine());
    // The engine loads its dictionary and voice in the background; a Speak
    // before that waits for them. Returning at once is what a loaded one owes.
    engine().waitLoaded();
    QElapsedTimer timer;
    timer.start();
    engine().Speak(TestSentence);
    const qint64 speakMs = timer.elapsed();
    EXPECT_EQ(engine().Status(), 0);
    ASSERT_TRUE(pcm.waitForFirst(2s));
    if (AudioOutput::instance().available()) {
        EXPECT_TRUE(AudioOutput::instance().isSpeaking());
    }
    const double seconds = static_cast<double>(pcm.waitForEnd()) / EspeakSpeech::sampleRate();
    EXPECT_EQ(EspeakSpeech::sampleRate(), 22050);
    EXPECT_GT(seconds, 2.0);
    EXPECT_TRUE(pcm.loud());
    EXPECT_LT(speakMs, seconds * 1000 / 10) << "Speak took " << speakMs << " ms";
}

TEST_F(SpeechTest, StopAndSpeakCutWhatWasPlaying)
{
    const QString longText = TestSentence.repeated(20);
    const QString shortText = QStringLiteral("終点です。");
    const std::size_t shortAlone = samplesOf(shortText);
    ASSERT_GT(shortAlone, 0u);

    PcmCounter pcm(engine());
    engine().Speak(longText);
    ASSERT_TRUE(pcm.waitForFirst(2s));
    engine().Stop();
    const std::size_t atStop = pcm.samples();
    EXPECT_FALSE(AudioOutput::instance().isSpeaking());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(pcm.samples(), atStop) << "PCM arrived after Stop";
    EXPECT_FALSE(AudioOutput::instance().isSpeaking());
    EXPECT_EQ(engine().Status(), 0);

    // A new Speak replaces the long text (a minute of speech): only the short
    // one goes on. Its first block may come before the count is reset.
    engine().Speak(longText);
    ASSERT_TRUE(pcm.waitForFirst(2s));
    engine().Speak(shortText);
    pcm.reset();
    const std::size_t afterReplace = pcm.waitForEnd();
    EXPECT_LE(afterReplace, shortAlone * 101 / 100);
    EXPECT_GT(afterReplace, shortAlone / 2);
    engine().Stop();
}

TEST_F(SpeechTest, StatusTellsWhetherTheLastRequestFailed)
{
    engine().failNextSynthesis();
    engine().Speak(QStringLiteral("次は終点です。"));
    QElapsedTimer timer;
    timer.start();
    while (engine().Status() != -1 && timer.elapsed() < 2000)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(engine().Status(), -1);
    // Stop succeeds, and so does the next Speak.
    engine().Stop();
    EXPECT_EQ(engine().Status(), 0);
    engine().failNextSynthesis();
    engine().Speak(QStringLiteral("次は終点です。"));
    while (engine().Status() != -1 && timer.elapsed() < 4000)
        std::this_thread::sleep_for(5ms);
    PcmCounter pcm(engine());
    engine().Speak(QStringLiteral("次は終点です。"));
    EXPECT_GT(pcm.waitForEnd(), 0u);
    EXPECT_EQ(engine().Status(), 0);
}

TEST_F(SpeechTest, SettingsChangeTheVoice)
{
    const QString text = QStringLiteral("次は市役所前です。");
    const std::size_t normal = samplesOf(text);
    engine().setSettings({VoiceSettings::MaxRate, 50, 100});
    const std::size_t fast = samplesOf(text);
    EXPECT_LT(fast, normal * 3 / 4);

    engine().setSettings({150, 50, 0});
    PcmCounter pcm(engine());
    engine().Speak(text);
    EXPECT_GT(pcm.waitForEnd(), 0u);
    EXPECT_FALSE(pcm.loud()) << "volume 0 is silent";

    engine().setSettings({1000, -5, 500});
    EXPECT_EQ(engine().settings(), (VoiceSettings{VoiceSettings::MaxRate, VoiceSettings::MinPitch, VoiceSettings::MaxVolume}));
}

// --- start-up failures ---------------------------------------------------------------------

TEST(SpeechStartTest, MissingPartsRaiseClearErrors)
{
    engine(); // espeak-ng started the usual way first, as in the program
    try {
        EspeakSpeech e(EspeakSpeech::Paths{QStringLiteral("/nonexistent/dic"), {}});
        FAIL() << "no error for a missing dictionary";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), ErrNo::FileNotFound);
        EXPECT_TRUE(e.description().contains(QStringLiteral("MeCab"))) << e.what();
        EXPECT_TRUE(e.description().contains(QStringLiteral("/nonexistent/dic"))) << e.what();
    }
    try {
        EspeakSpeech e(EspeakSpeech::Paths{Yomi::dictionaryDir(), QStringLiteral("/nonexistent/espeak-ng-data")});
        FAIL() << "no error for a missing voice";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("日本語音声"))) << e.what();
    }
}

TEST(SpeechStartTest, AnEngineGoneBeforeItsTurnLoadsNothingAndDoesNotWait)
{
    engine().waitLoaded();
    // The program ends before its windows have painted: the engine goes
    // while its loader is still held back.
    BackgroundLoad::holdUntilShown();
    {
        EspeakSpeech early;
    }
    // The shared engine still speaks: the early one did not start a second
    // espeak-ng over it.
    PcmCounter pcm(engine());
    engine().Speak(TestSentence);
    EXPECT_TRUE(pcm.waitForFirst(5s));
    engine().Stop();
}
