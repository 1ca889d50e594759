#include "speech/AnnouncementVoice.h"

#include "platform/ApiLib.h"
#include "platform/AppError.h"
#include "platform/DataPaths.h"
#include "speech/SpeechAdjustDialog.h"

#include <QDir>

AnnouncementVoice::Setup AnnouncementVoice::Setup::program()
{
    return {DataPaths::openJTalkProgram().path, DataPaths::openJTalkDictionary().path, DataPaths::voices().path,
            EspeakSpeech::Paths{}, VoiceChoice::defaultFile()};
}

const std::vector<AnnouncementVoice::VoiceInfo>& AnnouncementVoice::catalogue()
{
    static const std::vector<VoiceInfo> voices{
        {VoiceChoice::Mei, QStringLiteral("Mei (女声)"), DataPaths::DefaultVoiceFile},
        {VoiceChoice::M001, QStringLiteral("M001 (男声)"),
         QStringLiteral("nitech_jp_atr503_m001/nitech_jp_atr503_m001.htsvoice")},
        {VoiceChoice::Espeak, QStringLiteral("espeak-ng (合成音)"), QString()},
    };
    return voices;
}

AnnouncementVoice::AnnouncementVoice(const Setup& setup)
    : m_setup(setup)
{
    choose(VoiceChoice::read(setup.choiceFile));
}

OpenJTalkSpeech::Paths AnnouncementVoice::openJTalkPaths(const VoiceInfo& info) const
{
    return {m_setup.openJTalk, m_setup.openJTalkDictionary, QDir(m_setup.voicesDir).filePath(info.file)};
}

bool AnnouncementVoice::canSpeak(const VoiceInfo& info) const
{
    if (!info.file.isEmpty())
        return !m_setup.voicesDir.isEmpty() && OpenJTalkSpeech::missing(openJTalkPaths(info)).isEmpty();
    if (!m_espeakSpeaks)
        m_espeakSpeaks = EspeakSpeech::missing(m_setup.espeak).isEmpty();
    return *m_espeakSpeaks;
}

std::unique_ptr<Voice> AnnouncementVoice::make(const VoiceInfo& info) const
{
    if (info.file.isEmpty())
        return std::make_unique<EspeakSpeech>(m_setup.espeak);
    return std::make_unique<OpenJTalkSpeech>(openJTalkPaths(info));
}

QStringList AnnouncementVoice::voices() const
{
    QStringList ids;
    for (const VoiceInfo& info : catalogue()) {
        if (canSpeak(info))
            ids << info.id;
    }
    return ids;
}

void AnnouncementVoice::choose(const VoiceChoice& choice)
{
    const VoiceSettings values = choice.values.clamped();
    // The chosen voice, else the others in catalogue order.
    std::vector<const VoiceInfo*> order;
    for (const VoiceInfo& info : catalogue()) {
        if (info.id == choice.voice)
            order.insert(order.begin(), &info);
        else
            order.push_back(&info);
    }
    QStringList why;
    for (const VoiceInfo* info : order) {
        if (!canSpeak(*info))
            continue;
        if (!m_voice || info->id != m_choice.voice) {
            try {
                m_voice = make(*info);
            } catch (const AppError& e) {
                why << e.description();
                continue;
            }
        }
        m_choice = {info->id, values};
        m_voice->setSettings(values);
        return;
    }
    // The voice that spoke so far speaks on.
    if (m_voice)
        return;
    throw AppError(ErrNo::FileNotFound,
                   why.isEmpty() ? QStringLiteral("読み上げに使える声がありません。open-jtalk か espeak-ng を導入してください。")
                                 : why.join(QLatin1Char(' ')));
}

void AnnouncementVoice::Speak(const QString& text)
{
    m_voice->Speak(text);
}

void AnnouncementVoice::Stop()
{
    m_voice->Stop();
}

std::int32_t AnnouncementVoice::Status() const
{
    return m_voice->Status();
}

void AnnouncementVoice::Prepare(const QString& text)
{
    m_voice->Prepare(text);
}

void AnnouncementVoice::AdjustDialog(QWidget* owner, const QString& title)
{
    const VoiceChoice before = m_choice;
    ApiLib::SeamCall call{QStringLiteral("SpeechDialog"),
                          title,
                          before.voice,
                          0,
                          {before.values.rate, before.values.pitch, before.values.volume},
                          voices()};
    const std::int32_t result = ApiLib::ShowModal(call, [this, owner](ApiLib::SeamCall& c) {
        std::vector<SpeechAdjustDialog::VoiceItem> items;
        for (const VoiceInfo& info : catalogue()) {
            if (c.texts.contains(info.id))
                items.push_back({info.id, info.label});
        }
        SpeechAdjustDialog dialog(owner, c.title, items, {c.text, {c.numbers[0], c.numbers[1], c.numbers[2]}});
        // The test speaks with the choice as it stands; cancel puts the old
        // one back below.
        QObject::connect(&dialog, &SpeechAdjustDialog::testRequested, [this](const VoiceChoice& trial) {
            choose(trial);
            Speak(TestSentence);
        });
        const bool accepted = dialog.exec() == QDialog::Accepted;
        const VoiceChoice answer = dialog.choice();
        c.text = answer.voice;
        c.numbers = {answer.values.rate, answer.values.pitch, answer.values.volume};
        return accepted ? 1 : 0;
    });
    if (result == 0) {
        choose(before);
        return;
    }
    choose({call.text, {call.numbers.value(0, before.values.rate), call.numbers.value(1, before.values.pitch),
                        call.numbers.value(2, before.values.volume)}});
    if (!m_choice.write(m_setup.choiceFile))
        ApiLib::MsgBox(QStringLiteral("声の設定を %1 に保存できません。次に起動したときは前の設定で読み上げます。")
                           .arg(QDir::toNativeSeparators(m_setup.choiceFile)));
}

std::unique_ptr<SpeechEngine> createSpeechEngine()
{
    return std::make_unique<AnnouncementVoice>();
}
