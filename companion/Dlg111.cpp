#include "EntryGuard.h"
#include "MirvRes.h"

#include <QCalendarWidget>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

extern "C" int32_t Call_dlg111(MrvWindow owner, MrvDate* record)
{
    return guardedEntry([&]() -> std::int32_t {
        if (!record)
            return 0;
        auto* parent = static_cast<QWidget*>(owner);
        QDialog dialog(parent ? parent->window() : nullptr);
        dialog.setWindowTitle(QStringLiteral("日付の選択"));
        auto* calendar = new QCalendarWidget(&dialog);
        calendar->setObjectName(QStringLiteral("calendar"));
        calendar->setFirstDayOfWeek(Qt::Sunday);
        calendar->setGridVisible(true);
        // The caller hands a zeroed record: that opens on today.
        const QDate given(record->year, record->month, record->day);
        calendar->setSelectedDate(given.isValid() ? given : QDate::currentDate());

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        // A double click or Enter on a day chooses it.
        QObject::connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);

        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(calendar);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        const QDate chosen = calendar->selectedDate();
        record->year = static_cast<int16_t>(chosen.year());
        record->month = static_cast<int16_t>(chosen.month());
        record->day = static_cast<int16_t>(chosen.day());
        record->dayOfWeek = static_cast<int16_t>(chosen.dayOfWeek() % 7);
        return 1;
    });
}
