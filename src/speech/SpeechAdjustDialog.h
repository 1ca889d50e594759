#pragma once

#include <QDialog>

class QGridLayout;
class QPushButton;
class QSlider;

// The voice's adjustable values, in espeak-ng's own units.
struct VoiceSettings
{
    static constexpr int MinRate = 80; // words per minute
    static constexpr int MaxRate = 300;
    static constexpr int MinPitch = 0;
    static constexpr int MaxPitch = 100;
    static constexpr int MinVolume = 0; // 100 = as synthesised
    static constexpr int MaxVolume = 200;

    // Announcements are read a little slower than espeak-ng's 175.
    int rate = 150;
    int pitch = 50;
    int volume = 100;

    VoiceSettings clamped() const;
    bool operator==(const VoiceSettings&) const = default;
};

// The speech engine's adjustment dialog: speed, pitch and volume, a test
// button that speaks with the values as they stand, OK and キャンセル.
class SpeechAdjustDialog : public QDialog
{
    Q_OBJECT

public:
    SpeechAdjustDialog(QWidget* owner, const QString& title, const VoiceSettings& values);

    VoiceSettings values() const;

    QSlider* rateSlider() const { return m_rate; }
    QSlider* pitchSlider() const { return m_pitch; }
    QSlider* volumeSlider() const { return m_volume; }
    QPushButton* testButton() const { return m_test; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

signals:
    void testRequested(const VoiceSettings& values);

private:
    QSlider* addSlider(QGridLayout* grid, const QString& caption, int min, int max, int value);

    QSlider* m_rate = nullptr;
    QSlider* m_pitch = nullptr;
    QSlider* m_volume = nullptr;
    QPushButton* m_test = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
