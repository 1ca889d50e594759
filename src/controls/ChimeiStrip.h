#pragma once

#include <QImage>
#include <QWidget>

// The dot strip of the stop-name column: a retained picture that the column
// moves upwards inside its frame to scroll.
class ChimeiStrip : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ChimeiStrip)

public:
    explicit ChimeiStrip(QWidget* parent = nullptr);

    QImage& picture() { return m_picture; }
    const QImage& picture() const { return m_picture; }

    // Resizes the strip and clears it to background.
    void reset(int height, QRgb background);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};
