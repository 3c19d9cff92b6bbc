#include "ui/TQuorvelApplication.h"

#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"

#include <exception>

TQuorvelApplication::TQuorvelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // No display name: on X11 Qt would append it to every window caption.
    setApplicationName(QStringLiteral("quorvel"));
}

bool TQuorvelApplication::Guarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const QuorvelError& error) {
        User().ShowError(error.Message());
    } catch (const std::exception& error) {
        User().ShowError(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

bool TQuorvelApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
