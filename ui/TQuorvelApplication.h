#pragma once

#include <QApplication>
#include <functional>

// The application object. No error may leave an event handler through
// Qt's event dispatch: one that reaches notify is shown in the general
// error display and the program goes on.
class TQuorvelApplication : public QApplication {
    Q_OBJECT

public:
    TQuorvelApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs handler and shows any error it raises in the general error
    // display; true when it ended without an error. Use it at the edge of
    // every handler that calls into the catalogue.
    static bool Guarded(const std::function<void()>& handler);
};
