#include "Args.h"

bool takeFlag(QStringList& args, const QString& flag) {
    return args.removeAll(flag) > 0;
}

bool takeValue(QStringList& args, const QString& option, QString* value, QString* error) {
    const qsizetype at = args.indexOf(option);
    if (at < 0)
        return false;
    if (at + 1 >= args.size()) {
        *error = QStringLiteral("%1 needs a value").arg(option);
        args.removeAt(at);
        return false;
    }
    *value = args.at(at + 1);
    args.remove(at, 2);
    return true;
}

bool parseNumber(const QString& text, quint64* number) {
    bool ok = false;
    const quint64 parsed = text.toULongLong(&ok, 10);
    if (!ok || text.startsWith(QLatin1Char('+')))
        return false;
    *number = parsed;
    return true;
}

QString firstOption(const QStringList& args) {
    for (const QString& arg : args) {
        if (arg.startsWith(QLatin1String("--")))
            return arg;
    }
    return QString();
}
