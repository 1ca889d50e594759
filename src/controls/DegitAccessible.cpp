#include "controls/DegitAccessible.h"

#include "controls/M_Degit.h"

namespace {

QAccessibleInterface* forDigitCells(const QString& className, QObject* object)
{
    if (className == QLatin1String("M_Degit") && object && object->isWidgetType())
        return new DegitAccessible(static_cast<M_Degit*>(object));
    return nullptr;
}

} // namespace

DegitAccessible::DegitAccessible(M_Degit* cell)
    : QAccessibleWidget(cell, QAccessible::StaticText)
{
}

QString DegitAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return static_cast<const M_Degit*>(widget())->shownText();
    return QAccessibleWidget::text(t);
}

void DegitAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(forDigitCells);
        return true;
    }();
    Q_UNUSED(installed)
}
