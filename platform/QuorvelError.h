#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one error type of the program: a failure that carries the message text
// the user is shown. Subclasses only sharpen what callers may catch.
class QuorvelError : public std::exception {
public:
    explicit QuorvelError(QString message);

    const QString& Message() const { return message_; }
    const char* what() const noexcept override;

private:
    QString message_;
    QByteArray utf8_;
};
