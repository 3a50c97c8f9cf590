#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Standard output or standard error, written with no buffer of our own, so that a failed write is seen at once and
// what was written is out even when the process ends abruptly. Each line goes out in one write, which a pipe takes
// whole or not at all up to 4 KiB, so that a Ctrl+C while it is full leaves no line cut short.
class StandardStream
{
public:
    explicit StandardStream(int descriptor);

    // Writes the text as UTF-8, unless an earlier write failed or, for anything but a terminal, Ctrl+C came, as a
    // write that can block for good must not keep the program from ending. A reader that has gone away ends the
    // program as it ends other tools that write into a closed pipe.
    bool write(QStringView text);
    bool isTerminal() const { return m_terminal; }
    // Why a write failed, such as "No space left on device"; empty while none has.
    QString failure() const { return m_failure; }

private:
    bool writeWhole(QByteArrayView bytes);

    int m_descriptor;
    bool m_terminal;
    QString m_failure;
};
