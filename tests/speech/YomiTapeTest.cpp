// The route's readings file is read when the route's tape is loaded.

#include "Seam.h"
#include "platform/Cp932.h"
#include "readings/Yomi.h"
#include "speech/mdlM_Tape.h"

#include "../panel/RouteFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Speaks nothing: the readings are checked through Yomi itself.
class SilentEngine : public SpeechEngine
{
public:
    void Speak(const QString&) override {}
    void Stop() override {}
    std::int32_t Status() const override { return 0; }
    void AdjustDialog(QWidget*, const QString&) override {}
};

} // namespace

TEST(YomiTape, ReadingsFileAppliesFromTheRouteOnAndBadLinesAreShown)
{
    mdlM_Tape::setEngineFactory([] { return std::make_unique<SilentEngine>(); });
    mdlM_Tape::InitSpeech();
    {
        QTemporaryDir withReadings;
        RouteFixture::writeFile(withReadings, QStringLiteral("3tp.csv"),
                                *Cp932::encode(QStringLiteral("次は放出です。,0,0\r\n")));
        RouteFixture::writeFile(withReadings, QStringLiteral("yomi.csv"),
                                *Cp932::encode(QStringLiteral("放出,はなてん\r\n放出駅\r\n")));
        {
            SeamRecorder seam([](ApiLib::SeamCall&) { return 1; });
            mdlM_Tape::LoadTape(withReadings.path() + QLatin1Char('/'), QStringLiteral("3"));
            ASSERT_EQ(seam.calls.size(), 1);
            EXPECT_EQ(seam.calls[0].kind, QStringLiteral("Note")) << "a note the route setting does not wait on";
            EXPECT_TRUE(seam.calls[0].text.contains(QStringLiteral("yomi.csv の 2 行目"))) << seam.calls[0].text.toStdString();
        }
        // In running text, where only the readings file makes 放出 a name.
        EXPECT_EQ(Yomi::toSpeakable(QStringLiteral("水を放出")).remove(QLatin1Char(' ')), QStringLiteral("ミズヲハナテン"));

        // The next route's folder has no readings file: the readings go.
        QTemporaryDir without;
        RouteFixture::writeFile(without, QStringLiteral("3tp.csv"), *Cp932::encode(QStringLiteral("次は放出です。,0,0\r\n")));
        {
            SeamRecorder seam([](ApiLib::SeamCall&) { return 1; });
            mdlM_Tape::LoadTape(without.path() + QLatin1Char('/'), QStringLiteral("3"));
            EXPECT_TRUE(seam.calls.isEmpty());
        }
        EXPECT_EQ(Yomi::toSpeakable(QStringLiteral("水を放出")).remove(QLatin1Char(' ')), QStringLiteral("ミズヲホーシュツ"));
    }
    mdlM_Tape::ReleaseSpeech();
    mdlM_Tape::setEngineFactory([] { return createSpeechEngine(); });
}
