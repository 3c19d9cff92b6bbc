#pragma once

#include <QByteArray>
#include <QString>

// Text files as the Windows build writes them: Windows-1252 without a
// byte-order mark. Our own codec, so every machine gives the same bytes.
namespace TextFile {

// Decodes a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark, else
// Windows-1252.
QString Decode(const QByteArray& bytes);

// True when every character has a Windows-1252 byte.
bool FitsWindows1252(const QString& text);
QByteArray EncodeWindows1252(const QString& text);

// Windows-1252 when the text fits; otherwise UTF-8 with a byte-order mark,
// so that no character is lost.
QByteArray Encode(const QString& text);

// Reads and decodes a whole file; raises QuorvelError when it cannot.
QString Read(const QString& path);

// Writes bytes to a temporary file beside path, then puts it in place:
// a failure leaves the old file whole. Raises QuorvelError on failure.
void WriteAtomically(const QString& path, const QByteArray& bytes);

} // namespace TextFile
