#pragma once

// Local paths and the file:// URLs the library stores for them, and the rule that tells a URL
// from a path in what people type.
//
// File names on Linux are bytes, and not every name is UTF-8 (old downloads, archives from other
// systems). A name is kept as bytes from the command line to the URL: inside a QString the bytes
// that are not UTF-8 ride as the lone surrogates U+DC80 to U+DCFF, one per byte, and a URL
// percent-encodes them as they are, so two such names never collapse into one entry and the
// file can be opened again from its URL.

#include <QByteArray>
#include <QString>
#include <QUrl>

// Bytes as text: UTF-8 sequences as their characters, every other byte as U+DC00 plus the byte.
QString textFromLocalBytes(const QByteArray& bytes);
// The reverse of textFromLocalBytes: the bytes a text stands for.
QByteArray localBytesFromText(const QString& text);

// Whether a text someone typed is a URL: it begins with a scheme of two or more characters (a
// letter, then letters, digits, '+', '-', '.' or '_') and a colon, whatever follows the colon
// ("magnet:?xt=...", "smb://host/share/f.mkv"). Anything else is a local path; "C:/x" has a
// one-letter scheme and is a path too.
bool isUrlText(const QString& text);

// path made absolute against the working folder, its "." and ".." segments resolved as text.
QByteArray absolutePath(const QByteArray& path);

// The file:// URL of an absolute path. A UTF-8 name gives the URL QUrl::fromLocalFile gives;
// other bytes are percent-encoded as they are.
QUrl fileUrlFromPath(const QByteArray& absolutePath);
// The local path of a file:// URL on this machine, as bytes; empty for any other URL.
QByteArray pathFromFileUrl(const QUrl& url);

// A URL or path as typed: URL text as a URL (tolerant parsing), anything else as the file:// URL
// of the path made absolute. An empty text gives an empty URL.
QUrl urlFromArgument(const QString& text);

// A name for the entry of a URL whose path has no last segment to name it by (the library names
// entries by that segment): a magnet link's display name ("dn"), else the URL's text.
QString fallbackNameOf(const QUrl& url);

// A URL as a person reads it; a text QUrl cannot parse is shown as it was stored.
QString displayUrl(const QUrl& url);
