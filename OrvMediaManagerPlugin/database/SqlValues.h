#pragma once

// The one place that decides how values cross between row objects and SQLite: what counts as
// "not set", how a value is bound, and how a column is read back.

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <cstdint>

namespace orv {

// "Not set": invalid, null, or holding a null string, byte array, date, time or date-time.
// (Qt 6 no longer reports a QVariant holding a null QString as null.)
bool isNotSet(const QVariant& value);

// The form a value is bound in: SQL NULL when not set, URLs as their text, unsigned 64-bit
// numbers as the signed number of the same bits (an unsigned binding would be stored as text).
QVariant bindable(const QVariant& value);

// Whether a position can be bound as an SQL OFFSET (SQLite reads a negative one as 0).
inline bool fitsOffset(quint64 position) {
    return position <= quint64(INT64_MAX);
}

// Reads a column as an unsigned 64-bit number; false in ok for NULL or anything not a number.
quint64 toUInt64(const QVariant& value, bool* ok = nullptr);

// The text a URL is stored and looked up by: its toString() form. A text that QUrl cannot
// parse (a scheme with "_", for one) makes an invalid QUrl whose toString() is empty; its path
// still holds the whole text, and that is what such a URL stands for.
QString urlText(const QUrl& url);
// A stored URL text as a QUrl, parsed in tolerant mode.
QUrl urlFromText(const QString& text);

// A date-time column as stored by SQLite's current_timestamp ("YYYY-MM-DD HH:MM:SS", UTC), read
// as that UTC instant; other forms are read as QVariant reads them. Null stays null.
QDateTime storedDateTime(const QVariant& value);
// The same, before the conversion to local time: a stored stamp comes back in UTC with inUtc
// true, so that a caller may convert it only when it is asked for; any other value comes back
// exactly as storedDateTime gives it, with inUtc false.
QDateTime storedDateTimeInUtc(const QVariant& value, bool* inUtc);

// The stamp SQLite writes, "YYYY-MM-DD HH:MM:SS" with or without ".SSS", read straight from its
// ASCII digits: true, with the date and the time, when the text has that form and both are
// valid. Qt's format parser gives the same date and time for such a text, at a cost larger
// than the rest of a row's load; for any other text the caller leaves it to the parser.
template <typename Char>
bool readSqliteStamp(const Char* text, qsizetype size, QDate* date, QTime* time) {
    if ((size != 19 && size != 23) || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || (size == 23 && text[19] != '.'))
        return false;
    const auto digits = [text](qsizetype at, int count) {
        int number = 0;
        for (qsizetype i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            number = number * 10 + int(text[i] - '0');
        }
        return number;
    };
    const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    const int hour = digits(11, 2), minute = digits(14, 2), second = digits(17, 2);
    const int msec = size == 23 ? digits(20, 3) : 0;
    if (year <= 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 || msec < 0)
        return false;
    *date = QDate(year, month, day);
    *time = QTime(hour, minute, second, msec);
    return date->isValid() && time->isValid();
}

// A value converted to one of the four integer widths of the row accessors; 0 when the value
// is not set or does not convert.
template <typename T> T numberAs(const QVariant& value);

} // namespace orv
