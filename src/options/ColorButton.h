#pragma once

#include <QPushButton>

#include <cstdint>

// A swatch button: its face shows the colour of the setting it holds, and
// that colour is the setting's live value.
class ColorButton : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY(ColorButton)

public:
    explicit ColorButton(QWidget* parent = nullptr);

    // 0x00BBGGRR
    std::int32_t BackColor() const { return m_BackColor; }
    void setBackColor(std::int32_t color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int32_t m_BackColor = 0x00C0C0C0;
};
