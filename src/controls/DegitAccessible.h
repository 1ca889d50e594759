#pragma once

#include <QAccessibleWidget>

class M_Degit;

// What a digit cell tells screen readers and test drivers: its value is the
// text it shows ("170", "" when nothing is lit beyond the dim "8"s).
class DegitAccessible : public QAccessibleWidget
{
public:
    explicit DegitAccessible(M_Degit* cell);

    QString text(QAccessible::Text t) const override;

    // Makes every digit cell answer through this class; once is enough.
    static void install();
};
