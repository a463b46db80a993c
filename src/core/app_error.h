#pragma once

#include <QString>
#include <exception>

// The one failure type of the program. It carries the message the user sees;
// the command guard shows it in an error box and the command stops there.
class AppError : public std::exception
{
public:
    explicit AppError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// "'%s' is not a valid integer value", raised by every decimal or hexadecimal reader.
AppError invalidIntegerError(const QString& text);

// Reads a decimal integer the way the stored settings and the spin boxes expect;
// anything else (blank, sign only, trailing junk, out of range) raises invalidIntegerError.
int parseDecimalInt(const QString& text);
