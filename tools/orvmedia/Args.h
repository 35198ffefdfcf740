#pragma once

// Small helpers for the commands: taking options out of an argument list.

#include "HeldRow.h"

#include <QString>
#include <QStringList>

// Takes a flag such as "--json" out of args; true when it was there.
bool takeFlag(QStringList& args, const QString& flag);
// Takes "NAME VALUE" out of args into value; false when the option is absent. A missing value
// sets error.
bool takeValue(QStringList& args, const QString& option, QString* value, QString* error);
// A whole decimal number; false for anything else.
bool parseNumber(const QString& text, quint64* number);
// Everything left in args that looks like an option, for a "unknown option" message.
QString firstOption(const QStringList& args);
