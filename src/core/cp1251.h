#pragma once
// Code page 1251 text: the encoding of every data file the program reads and writes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace kv {

// Each character that code page 1251 lacks becomes one '?' (a surrogate pair counts as
// one character), so the result has exactly one byte per character.
QByteArray toCp1251(QStringView text);

// Every byte value maps to a character; decoding never fails.
QString fromCp1251(QByteArrayView bytes);

}  // namespace kv
