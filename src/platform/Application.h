#pragma once

#include <QApplication>

// The program's application object: registers the font substitutions and
// makes sure no failure escapes an event handler.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
