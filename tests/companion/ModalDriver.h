#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

// Drives the next modal dialog from inside its event loop. Both timers die
// with the driver, so a dialog that never appears cannot touch a later test,
// and one left open is closed instead of hanging the run.
class ModalDriver
{
public:
    explicit ModalDriver(std::function<void(QDialog&)> act)
    {
        QTimer::singleShot(0, &m_context, [this, act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no modal dialog";
                return;
            }
            found = true;
            try {
                act(*dialog);
            } catch (const std::exception& e) {
                ADD_FAILURE() << "no child " << e.what();
                dialog->reject();
            }
        });
        m_guard.callOnTimeout([] {
            while (QWidget* w = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "dialog still open";
                w->close();
            }
        });
        m_guard.start(5000);
    }

    bool found = false;

private:
    QObject m_context;
    QTimer m_guard;
};

template<class T>
T& child(QDialog& dialog, const char* name)
{
    if (T* w = dialog.findChild<T*>(QLatin1String(name)))
        return *w;
    throw std::runtime_error(name);
}
