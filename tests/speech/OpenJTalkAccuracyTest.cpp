// Whether Open JTalk says what the readings say, on the readings' own test
// set: the pronunciation in Open JTalk's trace against yomi's reading of each
// phrase, after both are reduced to their sound the same way.

#include "../readings/AccuracyCases.h"
#include "platform/AppError.h"
#include "platform/DataPaths.h"
#include "readings/Yomi.h"
#include "speech/OpenJTalkSpeech.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

TEST(OpenJTalkAccuracy, SaysWhatTheReadingsSayForNearlyEveryPhrase)
{
    QStringList texts;
    for (const AccuracyCase& c : readAccuracyCases(QStringLiteral(YOMI_CASES)))
        texts << c.text;
    ASSERT_GE(texts.size(), 200);
    Yomi::load();

    const OpenJTalkSpeech::Paths paths{DataPaths::openJTalkProgram().path, DataPaths::openJTalkDictionary().path,
                                       QStringLiteral(VOICES_DIR "/") + DataPaths::DefaultVoiceFile};
    // Each phrase is one run of open_jtalk or a few; two at a time.
    std::atomic<int> next{0};
    std::atomic<int> right{0};
    std::mutex mutex;
    QStringList misses;
    std::map<int, int> byRuns; // phrases by the runs of open_jtalk they took
    const auto work = [&] {
        for (int i = next++; i < texts.size(); i = next++) {
            const QString& text = texts[i];
            const QString reading = Yomi::toSpeakable(text);
            try {
                const OpenJTalkSpeech::Said said = OpenJTalkSpeech::say(paths, text);
                {
                    std::lock_guard lock(mutex);
                    ++byRuns[said.runs];
                }
                if (OpenJTalkText::soundKey(said.spoken) == OpenJTalkText::soundKey(reading)) {
                    ++right;
                    continue;
                }
                std::lock_guard lock(mutex);
                misses << QStringLiteral("%1 -> %2 (given %3; yomi %4)").arg(text, said.spoken, said.input, reading);
            } catch (const AppError& e) {
                std::lock_guard lock(mutex);
                misses << text + QStringLiteral(": ") + e.description();
            }
        }
    };
    std::thread other(work);
    work();
    other.join();

    for (const QString& m : misses)
        std::printf("[   miss   ] %s\n", m.toUtf8().constData());
    const double share = 100.0 * right / static_cast<double>(texts.size());
    std::printf("[ accuracy ] Open JTalk says yomi's reading for %d / %lld phrases: %5.1f %%\n", right.load(),
                static_cast<long long>(texts.size()), share);
    for (const auto& [runs, phrases] : byRuns)
        std::printf("[   runs   ] %d run(s): %d phrases\n", runs, phrases);
    EXPECT_GE(share, 97.0);
}
