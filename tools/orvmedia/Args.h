#pragma once

// Small helpers for the commands: taking options out of an argument list and holding the row
// objects the library hands out.

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

// Holds the one reference an out-pointer hands over and releases it when it goes.
template <typename T> class Held {
public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { reset(); }

    T** out() {
        reset();
        return &row;
    }
    T* get() const { return row; }
    T* operator->() const { return row; }
    explicit operator bool() const { return row != nullptr; }
    void reset() {
        if (row)
            row->release();
        row = nullptr;
    }

private:
    T* row = nullptr;
};
