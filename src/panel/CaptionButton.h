#pragma once

#include <QPushButton>

// A command button whose caption wraps onto further lines when the button is
// too narrow for it, as the panel's tall, narrow buttons need.
class CaptionButton : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY(CaptionButton)

public:
    explicit CaptionButton(const QString& caption, QWidget* parent = nullptr);

    // The colour of the button's face and of its caption, in every state.
    void setColors(const QColor& face, const QColor& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
};
