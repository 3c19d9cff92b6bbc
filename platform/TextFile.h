#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// Text files as the Windows build writes them: Windows-1252 without a
// byte-order mark. Our own codec, so every machine gives the same bytes.
namespace TextFile {

// The character Windows-1252 gives a byte. The five bytes the code page
// leaves undefined map to the control character of the same value, as
// Windows does.
char16_t Windows1252Char(unsigned char byte);
// The byte Windows-1252 gives a character, or -1 when it has none.
int Windows1252Byte(char16_t c);

// True when the bytes start with a UTF-8, UTF-16 LE or UTF-16 BE
// byte-order mark.
bool HasByteOrderMark(QByteArrayView bytes);

// Decodes a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark, else
// Windows-1252.
QString Decode(const QByteArray& bytes);

// True when every character has a Windows-1252 byte.
bool FitsWindows1252(const QString& text);
QByteArray EncodeWindows1252(const QString& text);

// Windows-1252 when the text fits; otherwise UTF-8 with a byte-order mark,
// so that no character is lost.
QByteArray Encode(const QString& text);

// The whole file; raises QuorvelError when it cannot be read.
QByteArray ReadBytes(const QString& path);
// The whole file a part at a time, each part given to onPart as it is
// read, so that a large file need not be held whole. Raises QuorvelError
// as ReadBytes does.
void ReadParts(const QString& path, const std::function<void(QByteArrayView part)>& onPart);
// The whole file in *bytes, read with one open and no look beforehand;
// false when there is no file at path (nothing, a dangling link, a
// folder). Raises QuorvelError when a file is there but cannot be read.
bool ReadIfThere(const QString& path, QByteArray* bytes);
// ReadIfThere when the file (and the way to it) is in memory, without
// waiting for a disk: Missing and Read answer as ReadIfThere would;
// NotInMemory when the read would wait, or fail (ReadIfThere says why).
enum class CachedRead { Read, Missing, NotInMemory };
CachedRead ReadIfInMemory(const QString& path, QByteArray* bytes);
// Reads and decodes a whole file; raises QuorvelError when it cannot.
QString Read(const QString& path);

// Writes bytes to a temporary file beside path (path + "." + six letters
// or digits), puts it on disk and then in place: a crash, a power cut or a
// full disk leave the old file or the new one, never part of one. A
// symbolic link at path is replaced by the file, never written through.
// Temporaries an earlier, interrupted save of the same file left beside it
// are removed. Raises QuorvelError on failure. With betweenParts, the
// bytes are written a part at a time and betweenParts is called after each.
void WriteAtomically(const QString& path, const QByteArray& bytes,
                     const std::function<void()>& betweenParts = {});

// Creates a new temporary for the file fileName in the open folder, named
// as WriteAtomically names its own, open for writing and locked against
// another program's clean-up while it is open; its name goes to
// *temporary. The descriptor, or -1 with errno set.
int CreateSaveTemporary(int folder, const QByteArray& fileName, QByteArray* temporary);

// Whether name is that of a temporary WriteAtomically makes (or an
// interrupted one left) for the file fileName in the same folder.
bool IsSaveTemporaryOf(QByteArrayView name, QByteArrayView fileName);
// The length in bytes of the name of such a temporary for a file whose
// name is fileNameSize bytes long.
qsizetype SaveTemporaryNameSize(qsizetype fileNameSize);

} // namespace TextFile
