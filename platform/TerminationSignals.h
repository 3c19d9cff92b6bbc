#pragma once

#include <QObject>

class QSocketNotifier;

// A logout, a shutdown or Ctrl-C (SIGTERM, SIGHUP, SIGINT) asks the
// program to end cleanly instead of killing it at once: the first such
// signal only records the request, which long work checks to stop early
// and the event loop hears of through requested(); a second one ends the
// program at once, as without this object. One object per program.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the system's handling back.
    ~TerminationSignals() override;

    // Whether a termination signal has arrived; safe to call at any time.
    static bool Requested();
    // The signal that arrived, 0 for none.
    static int Signal();

signals:
    // Delivered by the event loop after a termination signal.
    void requested();

private:
    void Deliver();

    QSocketNotifier* notifier_ = nullptr;
};
