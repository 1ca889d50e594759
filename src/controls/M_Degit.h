#pragma once

#include <QImage>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>

#include <cstdint>

// A row of seven-segment LED digits showing one value right-aligned over dim
// "8"s. What is drawn stays on a retained surface until the next drawing.
class M_Degit : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(M_Degit)

public:
    // Digit position size in pixels for a DegitSize.
    struct Metrics
    {
        int digitWidth;
        int digitHeight;
    };
    static Metrics metricsFor(int degitSize);

    // Character spacing and boldness for an operating system version: the
    // older families draw with one pixel between characters and thin segments.
    struct TextStyle
    {
        std::int32_t lCharExtra;
        bool bBoldDigits;
    };
    static TextStyle textStyleFor(std::uint32_t platformId, std::uint32_t majorVersion);

    explicit M_Degit(QWidget* parent = nullptr);

    std::int32_t ShowSetDlg();

    std::int32_t BaseForeColor() const { return m_BaseForeColor; }
    void setBaseForeColor(std::int32_t color);
    std::int32_t DegitForeColor() const { return m_DegitForeColor; }
    void setDegitForeColor(std::int32_t color);
    int FillZero() const { return m_FillZero; }
    void setFillZero(int fillZero);
    int ZeroMode() const { return m_ZeroMode; }
    void setZeroMode(int zeroMode);
    int Shift() const { return m_Shift; }
    void setShift(int shift);
    int Keta() const { return m_Keta; }
    void setKeta(int keta);
    int DegitSize() const { return m_DegitSize; }
    void setDegitSize(int degitSize);
    int DegitStyle() const { return m_DegitStyle; }
    void setDegitStyle(int degitStyle);
    QVariant Value() const { return m_Value; }
    void setValue(const QVariant& value);
    void ResetDegit(int nMode);
    bool UserSet() const { return m_UserSet; }
    void setUserSet(bool userSet) { m_UserSet = userSet; }
    QWidget* hwnd() { return this; }
    std::int32_t BackColor() const { return m_BackColor; }
    void setBackColor(std::int32_t color);

    std::int32_t lCharExtra() const { return m_lCharExtra; }
    bool bBoldDigits() const { return m_bBoldDigits; }

    // Saved properties: the keys and defaults of the property bag. Reading
    // stores every field as it is, without clamping, resizing or drawing.
    void ReadProperties(const QVariantMap& bag);
    QVariantMap WriteProperties() const;

    // The retained surface, as the cell shows it.
    const QImage& surface() const { return m_surface; }
    // The characters lit at the last drawing, without the unlit positions
    // around them: "170", "005", "" for a blank cell.
    const QString& shownText() const { return m_shownText; }

signals:
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void DrawDegit(const QVariant& value, std::int32_t unlitColor, std::int32_t litColor);
    void resizeToDigits();
    void redraw();
    void clearSurface();
    void showText(const QString& text);

    bool m_UserSet = true;
    std::int32_t m_BaseForeColor = 0x969696;
    std::int32_t m_DegitForeColor = 0x72D2F8;
    int m_FillZero = 0;
    int m_ZeroMode = 0;
    int m_Shift = 0;
    int m_Keta = 4;
    int m_DegitSize = 0;
    int m_DegitStyle = 0;
    QVariant m_Value = QVariant(0);
    std::int32_t m_BackColor = 0x808080;
    std::int32_t m_lCharExtra = 0;
    bool m_bBoldDigits = true;
    QImage m_surface;
    QString m_shownText;
};
