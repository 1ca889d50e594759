#pragma once

#include "speech/SpeechEngine.h"

#include <QStringList>

// A speech engine that writes down what it is asked; the texts it is asked
// to make ready go to a list of their own, when one is given.
class RecordingEngine : public SpeechEngine
{
public:
    explicit RecordingEngine(QStringList* log, QStringList* prepared = nullptr)
        : m_log(log)
        , m_prepared(prepared)
    {
    }
    void Speak(const QString& text) override { m_log->append(text); }
    void Stop() override { m_log->append(QStringLiteral("<stop>")); }
    std::int32_t Status() const override { return 0; }
    void AdjustDialog(QWidget*, const QString& title) override { m_log->append(QStringLiteral("<dialog %1>").arg(title)); }
    void Prepare(const QString& text) override
    {
        if (m_prepared)
            m_prepared->append(text);
    }

private:
    QStringList* m_log;
    QStringList* m_prepared;
};
