#pragma once

#include "speech/VoiceSettings.h"

#include <QDialog>
#include <QString>

#include <vector>

class QComboBox;
class QGridLayout;
class QPushButton;
class QSlider;

// The speech engine's adjustment dialog: the voice, speed, pitch and volume,
// a test button that speaks with the choice as it stands, OK and キャンセル.
class SpeechAdjustDialog : public QDialog
{
    Q_OBJECT

public:
    struct VoiceItem
    {
        QString id; // as VoiceChoice names it
        QString label;
    };

    // voices: those that can speak, in the order shown.
    SpeechAdjustDialog(QWidget* owner, const QString& title, const std::vector<VoiceItem>& voices,
                       const VoiceChoice& choice);

    VoiceChoice choice() const;

    QComboBox* voiceBox() const { return m_voice; }
    QSlider* rateSlider() const { return m_rate; }
    QSlider* pitchSlider() const { return m_pitch; }
    QSlider* volumeSlider() const { return m_volume; }
    QPushButton* testButton() const { return m_test; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

signals:
    void testRequested(const VoiceChoice& choice);

private:
    QSlider* addSlider(QGridLayout* grid, const QString& caption, int min, int max, int value);

    QComboBox* m_voice = nullptr;
    QSlider* m_rate = nullptr;
    QSlider* m_pitch = nullptr;
    QSlider* m_volume = nullptr;
    QPushButton* m_test = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
