#pragma once

// The character encodings a hive file may come in, so that a file is written back in the form it
// was read in: UTF-16LE with a byte-order mark (the registry editor's own export), UTF-8 with or
// without a mark, and the 8-bit Windows code page (Windows-1252) of the older "REGEDIT4" files.

#include <QByteArray>
#include <QString>

namespace vds {
namespace reg {

enum class Encoding { Utf8, Utf8WithMark, Utf16WithMark, Ansi };

// Decodes the bytes of a file: by its byte-order mark, else as UTF-8 when they are well-formed
// UTF-8, else as 8-bit text. False only for UTF-16 of an odd number of bytes.
bool decodeText(const QByteArray& bytes, Encoding* encoding, QString* text);
// Whether every character of text has a form in the encoding.
bool canEncode(Encoding encoding, const QString& text);
// The bytes of text in the encoding, with the byte-order mark the encoding starts with.
QByteArray encodeText(Encoding encoding, const QString& text);

// 8-bit text (string data of a REGEDIT4 file): UTF-8 in a file that is UTF-8, else the Windows
// code page. decode8Bit falls back to the code page for bytes that are not UTF-8; encode8Bit
// fails for characters the code page lacks.
QString decode8Bit(Encoding encoding, const QByteArray& bytes);
bool encode8Bit(Encoding encoding, const QString& text, QByteArray* bytes);

} // namespace reg
} // namespace vds
