#include "speech/SpeechAdjustDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

SpeechAdjustDialog::SpeechAdjustDialog(QWidget* owner, const QString& title, const std::vector<VoiceItem>& voices,
                                       const VoiceChoice& choice)
    : QDialog(owner)
{
    setWindowTitle(title);
    setModal(true);
    const VoiceSettings v = choice.values.clamped();

    auto* grid = new QGridLayout;
    m_voice = new QComboBox;
    for (const VoiceItem& voice : voices)
        m_voice->addItem(voice.label, voice.id);
    m_voice->setCurrentIndex(std::max(0, m_voice->findData(choice.voice)));
    grid->addWidget(new QLabel(QStringLiteral("声")), 0, 0);
    grid->addWidget(m_voice, 0, 1, 1, 2);
    m_rate = addSlider(grid, QStringLiteral("話す速さ"), VoiceSettings::MinRate, VoiceSettings::MaxRate, v.rate);
    m_pitch = addSlider(grid, QStringLiteral("声の高さ"), VoiceSettings::MinPitch, VoiceSettings::MaxPitch, v.pitch);
    m_volume = addSlider(grid, QStringLiteral("音量"), VoiceSettings::MinVolume, VoiceSettings::MaxVolume, v.volume);

    m_test = new QPushButton(QStringLiteral("テスト"));
    m_ok = new QPushButton(QStringLiteral("OK"));
    m_cancel = new QPushButton(QStringLiteral("キャンセル"));
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_test);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_test, &QPushButton::clicked, this, [this] { emit testRequested(this->choice()); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

VoiceChoice SpeechAdjustDialog::choice() const
{
    return {m_voice->currentData().toString(), {m_rate->value(), m_pitch->value(), m_volume->value()}};
}

QSlider* SpeechAdjustDialog::addSlider(QGridLayout* grid, const QString& caption, int min, int max, int value)
{
    const int row = grid->rowCount();
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(min, max);
    slider->setValue(value);
    slider->setPageStep((max - min) / 10);
    slider->setMinimumWidth(220);
    auto* number = new QLabel(QString::number(value));
    number->setMinimumWidth(number->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(slider, &QSlider::valueChanged, number, [number](int v) { number->setText(QString::number(v)); });
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(number, row, 2);
    return slider;
}
