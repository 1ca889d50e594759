#include "EntryGuard.h"
#include "MirvRes.h"

#include "platform/Cp932.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

extern "C" int32_t Call_dlg110(MrvWindow owner, int32_t /*flag*/, char* text)
{
    return guardedEntry([&]() -> std::int32_t {
        const QByteArray bytes = text ? QByteArray(text) : QByteArray();
        // A text that is not valid code page 932 is still shown, as well as it can be.
        const QString message = Cp932::decode(bytes).value_or(QString::fromLocal8Bit(bytes));

        auto* parent = static_cast<QWidget*>(owner);
        QDialog dialog(parent ? parent->window() : nullptr);
        dialog.setWindowTitle(QStringLiteral("情報"));
        auto* label = new QLabel(QString(message).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), &dialog);
        label->setObjectName(QStringLiteral("information"));
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(label);
        layout->addWidget(buttons);
        dialog.exec();
        return 0;
    });
}
