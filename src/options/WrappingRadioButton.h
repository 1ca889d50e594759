#pragma once

#include <QRadioButton>

// An option button whose caption wraps over several lines inside its fixed
// rectangle, as the dialog's long captions do. Push-like, it is drawn as a
// button that stays pressed while selected (the dialog's page buttons).
class WrappingRadioButton : public QRadioButton
{
    Q_OBJECT
    Q_DISABLE_COPY(WrappingRadioButton)

public:
    explicit WrappingRadioButton(const QString& text, QWidget* parent = nullptr);

    bool isPushLike() const { return m_pushLike; }
    void setPushLike(bool pushLike);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The whole rectangle answers, including the wrapped lines that the
    // single-line hit area of a plain radio button would miss.
    bool hitButton(const QPoint& pos) const override;

private:
    bool m_pushLike = false;
};
