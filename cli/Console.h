#pragma once

#include <QByteArray>
#include <QString>

// The terminal and the two output streams. Output that was asked for goes
// to stdout; everything the program would show in a box goes to stderr.
// A status line (progress) is drawn only when stderr is a terminal, and
// is wiped before anything else is written there.
class Console {
public:
    static void Out(const QString& text);
    static void OutLine(const QString& text);
    // Bytes for stdout as they are (JSON, file names of unknown encoding).
    static void OutBytes(const QByteArray& bytes);
    static void ErrLine(const QString& text);

    static bool StdinIsTerminal();
    static bool StderrIsTerminal();

    // Replaces the status line; cut to the terminal's width.
    static void Status(const QString& text);
    static void ClearStatus();

    // Reads one line from stdin without its line break; nothing at the end
    // of the input, or when the read failed (Ctrl-C while typing).
    static bool ReadLine(QString* line);

    // Flushes stdout; false (with the reason) when anything written to it
    // was lost. A closed pipe counts as a reader that has had enough.
    static bool FinishOutput(QString* reason);

private:
    static void WriteErr(const QByteArray& bytes);
    static int TerminalColumns();
    static bool statusShown_;
};
