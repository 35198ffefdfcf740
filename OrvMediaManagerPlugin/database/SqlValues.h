#pragma once

// The one place that decides how values cross between row objects and SQLite: what counts as
// "not set", how a value is bound, and how a column is read back.

#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace orv {

// "Not set": invalid, null, or holding a null string, byte array, date, time or date-time.
// (Qt 6 no longer reports a QVariant holding a null QString as null.)
bool isNotSet(const QVariant& value);

// The form a value is bound in: SQL NULL when not set, URLs as their text, unsigned 64-bit
// numbers as the signed number of the same bits (an unsigned binding would be stored as text).
QVariant bindable(const QVariant& value);

void bind(QSqlQuery& query, const QString& placeholder, const QVariant& value);

// Reads a column as an unsigned 64-bit number; false in ok for NULL or anything not a number.
quint64 toUInt64(const QVariant& value, bool* ok = nullptr);

} // namespace orv
