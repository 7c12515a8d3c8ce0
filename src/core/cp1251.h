#pragma once
// Code page 1251 text: the encoding of every data file the program reads and writes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace kv {

// False when the Qt build lacks the windows-1251 converter (ICU): then no data file can
// be read or written right, and the programs refuse to start.
bool cp1251Available();
inline const QString kCp1251MissingText = QStringLiteral(
    "The windows-1251 text converter is missing from this Qt installation (Qt built "
    "without ICU); the data files can't be read or written.");

// Each character that code page 1251 lacks becomes one '?' (a surrogate pair counts as
// one character), so the result has exactly one byte per character.
QByteArray toCp1251(QStringView text);
// The same, appended to `bytes`.
void appendCp1251(QByteArray& bytes, QStringView text);

// Every byte value maps to a character; decoding never fails.
QString fromCp1251(QByteArrayView bytes);

}  // namespace kv
