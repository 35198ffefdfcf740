#pragma once

// The text chunks of a PNG file (tEXt, zTXt and iTXt), read without decoding the picture: the
// way a thumbnail tells whose picture it is and how old.

#include <QByteArray>
#include <QHash>
#include <QString>

// The text chunks of the PNG at file, by key; false when it is missing or no PNG. Reading
// stops at the end of the file's chunks, and never reads more than a thumbnail's worth.
bool readPngText(const QString& file, QHash<QByteArray, QString>* text);
