#pragma once

// The player's settings tree: reference-counted nodes below "SOFTWARE\Vireo\", each reading and
// writing typed values in a per-user and a machine-wide store. Every operation that takes a
// name comes twice: with a UTF-16 name (QString) and with a UTF-8 name (const char*).

#include "RefCounted.h"

#include <QByteArray>
#include <QString>

#include <set>

namespace vds {

// How a node opens its keys (see the settings store for the table of modes).
enum OpenMode {
    OPEN_USER = 1,
    OPEN_USER_AND_MACHINE = 2,
    OPEN_MACHINE = 3,
    OPEN_USER_READ = 4,
    OPEN_USER_AND_MACHINE_READ = 5,
    OPEN_MACHINE_READ = 6,
    CREATE_USER = 7,
    CREATE_USER_OPEN_MACHINE = 8,
    CREATE_MACHINE = 9
};

class IVireoSettings : public vtl::IRefCounted {
public:
    virtual bool getName(QString& name) = 0;
    virtual bool getName(QByteArray& name) = 0;
    virtual bool getChildCount(quint32& count) = 0;
    virtual bool getChildNames(std::set<QString>& names) = 0;
    virtual bool getChildNames(std::set<QByteArray>& names) = 0;
    virtual bool getChild(const QString& name, IVireoSettings** child) = 0;
    virtual bool getChild(const char* name, IVireoSettings** child) = 0;
    virtual bool getValueCount(quint32& count) = 0;
    virtual bool getValueNames(std::set<QString>& names) = 0;
    virtual bool getValueNames(std::set<QByteArray>& names) = 0;

    virtual bool setInt64(const QString& name, qint64 value) = 0;
    virtual bool setInt64(const char* name, qint64 value) = 0;
    virtual bool setInt(const QString& name, qint32 value) = 0;
    virtual bool setInt(const char* name, qint32 value) = 0;
    virtual bool setUInt(const QString& name, quint32 value) = 0;
    virtual bool setUInt(const char* name, quint32 value) = 0;
    virtual bool setUInt64(const QString& name, quint64 value) = 0;
    virtual bool setUInt64(const char* name, quint64 value) = 0;
    virtual bool setLong(const QString& name, long value) = 0;
    virtual bool setLong(const char* name, long value) = 0;
    virtual bool setFloat(const QString& name, float value) = 0;
    virtual bool setFloat(const char* name, float value) = 0;
    virtual bool setDouble(const QString& name, double value) = 0;
    virtual bool setDouble(const char* name, double value) = 0;
    virtual bool setBool(const QString& name, bool value) = 0;
    virtual bool setBool(const char* name, bool value) = 0;
    virtual bool setString(const QString& name, const char* value) = 0;
    virtual bool setString(const char* name, const char* value) = 0;
    virtual bool setString(const QString& name, const QString& value) = 0;
    virtual bool setString(const char* name, const QString& value) = 0;
    virtual bool setBinary(const QString& name, const void* data, quint32 length) = 0;
    virtual bool setBinary(const char* name, const void* data, quint32 length) = 0;

    virtual bool getInt64(const QString& name, qint64& value) = 0;
    virtual bool getInt64(const char* name, qint64& value) = 0;
    virtual bool getInt(const QString& name, qint32& value) = 0;
    virtual bool getInt(const char* name, qint32& value) = 0;
    virtual bool getInt(const QString& name, quint32& value) = 0;
    virtual bool getInt(const char* name, quint32& value) = 0;
    virtual bool getUInt64(const QString& name, quint64& value) = 0;
    virtual bool getUInt64(const char* name, quint64& value) = 0;
    virtual bool getLong(const QString& name, long& value) = 0;
    virtual bool getLong(const char* name, long& value) = 0;
    virtual bool getFloat(const QString& name, float& value) = 0;
    virtual bool getFloat(const char* name, float& value) = 0;
    virtual bool getDouble(const QString& name, double& value) = 0;
    virtual bool getDouble(const char* name, double& value) = 0;
    virtual bool getBool(const QString& name, bool& value) = 0;
    virtual bool getBool(const char* name, bool& value) = 0;
    virtual bool getString(const QString& name, QByteArray& value) = 0;
    virtual bool getString(const char* name, QByteArray& value) = 0;
    virtual bool getString(const QString& name, QString& value) = 0;
    virtual bool getString(const char* name, QString& value) = 0;
    virtual bool getBinary(const QString& name, QByteArray& value) = 0;
    virtual bool getBinary(const char* name, QByteArray& value) = 0;

    // Closes the keys, drops the children and deletes this node's key tree.
    virtual bool remove() = 0;
    virtual bool deleteValue(const QString& name) = 0;
    virtual bool deleteValue(const char* name) = 0;
};

} // namespace vds
