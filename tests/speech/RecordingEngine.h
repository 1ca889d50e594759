#pragma once

#include "speech/SpeechEngine.h"

#include <QStringList>

// A speech engine that writes down what it is asked.
class RecordingEngine : public SpeechEngine
{
public:
    explicit RecordingEngine(QStringList* log)
        : m_log(log)
    {
    }
    void Speak(const QString& text) override { m_log->append(text); }
    void Stop() override { m_log->append(QStringLiteral("<stop>")); }
    std::int32_t Status() const override { return 0; }
    void AdjustDialog(QWidget*, const QString& title) override { m_log->append(QStringLiteral("<dialog %1>").arg(title)); }

private:
    QStringList* m_log;
};
