#include "SqlValues.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QUrl>

namespace orv {

bool isNotSet(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().isNull();
    case QMetaType::QByteArray:
        return value.toByteArray().isNull();
    case QMetaType::QDate:
        return value.toDate().isNull();
    case QMetaType::QTime:
        return value.toTime().isNull();
    case QMetaType::QDateTime:
        return value.toDateTime().isNull();
    default:
        return false;
    }
}

QVariant bindable(const QVariant& value) {
    if (isNotSet(value))
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::QUrl:
        return urlText(value.toUrl());
    case QMetaType::ULongLong:
        return qint64(value.toULongLong());
    default:
        return value;
    }
}

quint64 toUInt64(const QVariant& value, bool* ok) {
    if (isNotSet(value)) {
        if (ok)
            *ok = false;
        return 0;
    }
    if (value.typeId() == QMetaType::ULongLong) {
        if (ok)
            *ok = true;
        return value.toULongLong();
    }
    bool converted = false;
    const qint64 number = value.toLongLong(&converted);
    if (ok)
        *ok = converted;
    return converted ? quint64(number) : 0;
}

} // namespace orv

namespace orv {

QString urlText(const QUrl& url) {
    if (url.isEmpty())
        return QString();
    return url.isValid() ? url.toString() : url.path();
}

QUrl urlFromText(const QString& text) {
    return QUrl(text, QUrl::TolerantMode);
}

QDateTime storedDateTime(const QVariant& value) {
    bool inUtc = false;
    const QDateTime stamp = storedDateTimeInUtc(value, &inUtc);
    return inUtc ? stamp.toLocalTime() : stamp;
}

QDateTime storedDateTimeInUtc(const QVariant& value, bool* inUtc) {
    *inUtc = false;
    if (isNotSet(value))
        return QDateTime();
    const QString text = value.toString();
    // Date and time are parsed apart, so that no local-time rule (a daylight-saving gap) can
    // make a valid UTC stamp invalid.
    if (text.size() >= 19 && text.at(10) == QLatin1Char(' ')) {
        QDate date;
        QTime time;
        if (!readSqliteStamp(text.utf16(), text.size(), &date, &time)) {
            date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
            const QString clock = text.mid(11);
            time = QTime::fromString(clock, QStringLiteral("HH:mm:ss"));
            if (!time.isValid())
                time = QTime::fromString(clock, QStringLiteral("HH:mm:ss.zzz"));
        }
        if (date.isValid() && time.isValid()) {
            *inUtc = true;
            return QDateTime(date, time, Qt::UTC);
        }
    }
    return value.toDateTime();
}

namespace {
template <typename T, typename Convert> T convert(const QVariant& value, Convert how) {
    if (isNotSet(value))
        return 0;
    bool ok = false;
    const T number = how(value, &ok);
    return ok ? number : 0;
}
} // namespace

template <> quint64 numberAs<quint64>(const QVariant& value) {
    return convert<quint64>(value, [](const QVariant& v, bool* ok) { return v.toULongLong(ok); });
}
template <> qint64 numberAs<qint64>(const QVariant& value) {
    return convert<qint64>(value, [](const QVariant& v, bool* ok) { return v.toLongLong(ok); });
}
template <> quint32 numberAs<quint32>(const QVariant& value) {
    return convert<quint32>(value, [](const QVariant& v, bool* ok) { return v.toUInt(ok); });
}
template <> qint32 numberAs<qint32>(const QVariant& value) {
    return convert<qint32>(value, [](const QVariant& v, bool* ok) { return v.toInt(ok); });
}

} // namespace orv
