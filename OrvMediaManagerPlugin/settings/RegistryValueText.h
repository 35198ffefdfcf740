#pragma once

// How a hive file's text holds one value: "name"=... (or @= for the key's default value) with a
// quoted string, a dword: number or a hex(N): list of bytes, long lists continued on the next
// lines after a trailing backslash. A REGEDIT4 file holds the string data of hex(2) and hex(7)
// values as 8-bit text; the registry holds them as UTF-16, like every other string.

#include "RegistryText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vds {
namespace reg {

// Value types, numbered as the registry numbers them (the text form names them "hex(N)").
enum ValueType : quint32 {
    TypeNone = 0,
    TypeString = 1,
    TypeExpandString = 2,
    TypeBinary = 3,
    TypeDWord = 4,
    TypeMultiString = 7,
    TypeQWord = 11,
};

// The form of a file's text: its encoding, and whether its header is the older "REGEDIT4".
struct TextForm {
    Encoding encoding = Encoding::Utf8;
    bool regedit4 = false;
};

// Reads a quoted text starting at pos (on the opening quote) and leaves pos after the closing
// quote; only \\ and \" are escapes.
bool readQuoted(const QString& line, int& pos, QString* out);
// The text in quotes, with \ and " escaped.
QString quoted(const QString& text);

// Parses what follows the "=" of a value line, continuation lines joined; on failure why says
// what is wrong.
bool parseValueData(const QString& data, const TextForm& form, quint32* type, QByteArray* bytes,
                    QString* why);
// The lines of a value whose name part ("@" or the quoted name) is given; false when the file's
// form cannot hold the data.
bool formatValueLines(const QString& namePart, quint32 type, const QByteArray& data,
                      const TextForm& form, QStringList* lines);

} // namespace reg
} // namespace vds
