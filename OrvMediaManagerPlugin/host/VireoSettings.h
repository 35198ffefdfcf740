#pragma once

/// @file
/// The player's settings tree: reference-counted nodes below "SOFTWARE\Vireo\", each reading and
/// writing typed values in a per-user and a machine-wide store. Every operation that takes a
/// name comes twice: with a UTF-16 name (QString) and with a UTF-8 name (const char*).

#include "RefCounted.h"

#include <QByteArray>
#include <QString>

#include <set>

/// The player's settings tree.
namespace vds {

/// How a node opens its keys in the per-user and the machine-wide store. Values are written to
/// the node's primary store (the machine-wide one in the machine modes, else the per-user one);
/// reads fall back to the machine-wide store when it is open, so a per-user value overrides a
/// machine-wide one.
enum OpenMode {
    OPEN_USER = 1,                  ///< The per-user key, which must exist.
    OPEN_USER_AND_MACHINE = 2,      ///< Both keys; open when either exists.
    OPEN_MACHINE = 3,               ///< The machine-wide key, which must exist.
    OPEN_USER_READ = 4,             ///< The per-user key, for reading.
    OPEN_USER_AND_MACHINE_READ = 5, ///< Both keys, for reading; open when either exists.
    OPEN_MACHINE_READ = 6,          ///< The machine-wide key, for reading.
    CREATE_USER = 7,                ///< The per-user key, made when missing.
    CREATE_USER_OPEN_MACHINE = 8,   ///< The per-user key, made when missing, and the
                                    ///< machine-wide key when it exists.
    CREATE_MACHINE = 9              ///< The machine-wide key, made when missing.
};

/// One node of the settings tree: its child nodes and its typed values. Nodes are
/// reference-counted; a child handed out through an out-pointer carries one reference for the
/// caller. Every operation returns false when the node's keys cannot be opened or a name is
/// empty. Operations come in pairs: the first takes a UTF-16 name, the second the same name in
/// UTF-8; the UTF-8 form fails on a name that is not valid UTF-8.
class IVireoSettings : public vtl::IRefCounted {
public:
    /** @{ */
    /// The node's own name (the last part of its path); always true.
    virtual bool getName(QString& name) = 0;
    virtual bool getName(QByteArray& name) = 0;
    /** @} */
    /// The number of child nodes, a name in both stores counted once.
    virtual bool getChildCount(quint32& count) = 0;
    /** @{ */
    /// The names of the child nodes, a name in both stores listed once.
    virtual bool getChildNames(std::set<QString>& names) = 0;
    virtual bool getChildNames(std::set<QByteArray>& names) = 0;
    /** @} */
    /** @{ */
    /// The child node @p name, opened in this node's mode (a "/" or "\\" in the name
    /// goes down several levels).
    virtual bool getChild(const QString& name, IVireoSettings** child) = 0;
    virtual bool getChild(const char* name, IVireoSettings** child) = 0;
    /** @} */
    /// The number of values, a name in both stores counted once.
    virtual bool getValueCount(quint32& count) = 0;
    /** @{ */
    /// The names of the values, a name in both stores listed once.
    virtual bool getValueNames(std::set<QString>& names) = 0;
    virtual bool getValueNames(std::set<QByteArray>& names) = 0;
    /** @} */

    /** @{ */
    /// Writes a 64-bit integer.
    virtual bool setInt64(const QString& name, qint64 value) = 0;
    virtual bool setInt64(const char* name, qint64 value) = 0;
    /** @} */
    /** @{ */
    /// Writes a signed 32-bit integer, stored as a 64-bit one.
    virtual bool setInt(const QString& name, qint32 value) = 0;
    virtual bool setInt(const char* name, qint32 value) = 0;
    /** @} */
    /** @{ */
    /// Writes an unsigned 32-bit integer, stored as a 64-bit one.
    virtual bool setUInt(const QString& name, quint32 value) = 0;
    virtual bool setUInt(const char* name, quint32 value) = 0;
    /** @} */
    /** @{ */
    /// Writes an unsigned 64-bit integer, stored as a 64-bit one.
    virtual bool setUInt64(const QString& name, quint64 value) = 0;
    virtual bool setUInt64(const char* name, quint64 value) = 0;
    /** @} */
    /** @{ */
    /// Writes a long, stored as a 64-bit integer.
    virtual bool setLong(const QString& name, long value) = 0;
    virtual bool setLong(const char* name, long value) = 0;
    /** @} */
    /** @{ */
    /// Writes a float as its four bytes.
    virtual bool setFloat(const QString& name, float value) = 0;
    virtual bool setFloat(const char* name, float value) = 0;
    /** @} */
    /** @{ */
    /// Writes a double as its eight bytes.
    virtual bool setDouble(const QString& name, double value) = 0;
    virtual bool setDouble(const char* name, double value) = 0;
    /** @} */
    /** @{ */
    /// Writes a bool as the 32-bit integer 0 or 1.
    virtual bool setBool(const QString& name, bool value) = 0;
    virtual bool setBool(const char* name, bool value) = 0;
    /** @} */
    /** @{ */
    /// Writes a string; an 8-bit value is taken as UTF-8.
    virtual bool setString(const QString& name, const char* value) = 0;
    virtual bool setString(const char* name, const char* value) = 0;
    virtual bool setString(const QString& name, const QString& value) = 0;
    virtual bool setString(const char* name, const QString& value) = 0;
    /** @} */
    /** @{ */
    /// Writes @p length bytes from @p data.
    virtual bool setBinary(const QString& name, const void* data, quint32 length) = 0;
    virtual bool setBinary(const char* name, const void* data, quint32 length) = 0;
    /** @} */

    /** @{ */
    /// Reads a 64-bit integer (stored as 32 or 64 bits).
    virtual bool getInt64(const QString& name, qint64& value) = 0;
    virtual bool getInt64(const char* name, qint64& value) = 0;
    /** @} */
    /** @{ */
    /// Reads an integer as getInt64() does and gives its low 32 bits; @p value changes only
    /// on success.
    virtual bool getInt(const QString& name, qint32& value) = 0;
    virtual bool getInt(const char* name, qint32& value) = 0;
    virtual bool getInt(const QString& name, quint32& value) = 0;
    virtual bool getInt(const char* name, quint32& value) = 0;
    /** @} */
    /** @{ */
    /// Reads an unsigned 64-bit integer as getInt64() does.
    virtual bool getUInt64(const QString& name, quint64& value) = 0;
    virtual bool getUInt64(const char* name, quint64& value) = 0;
    /** @} */
    /** @{ */
    /// Reads a long as getInt64() does.
    virtual bool getLong(const QString& name, long& value) = 0;
    virtual bool getLong(const char* name, long& value) = 0;
    /** @} */
    /** @{ */
    /// Reads a float (stored as four bytes).
    virtual bool getFloat(const QString& name, float& value) = 0;
    virtual bool getFloat(const char* name, float& value) = 0;
    /** @} */
    /** @{ */
    /// Reads a double (stored as eight bytes).
    virtual bool getDouble(const QString& name, double& value) = 0;
    virtual bool getDouble(const char* name, double& value) = 0;
    /** @} */
    /** @{ */
    /// Reads a bool (stored as a 32-bit integer; not 0 is true).
    virtual bool getBool(const QString& name, bool& value) = 0;
    virtual bool getBool(const char* name, bool& value) = 0;
    /** @} */
    /** @{ */
    /// Reads a string; an 8-bit value is given in UTF-8.
    virtual bool getString(const QString& name, QByteArray& value) = 0;
    virtual bool getString(const char* name, QByteArray& value) = 0;
    virtual bool getString(const QString& name, QString& value) = 0;
    virtual bool getString(const char* name, QString& value) = 0;
    /** @} */
    /** @{ */
    /// Reads bytes; an empty value is none.
    virtual bool getBinary(const QString& name, QByteArray& value) = 0;
    virtual bool getBinary(const char* name, QByteArray& value) = 0;
    /** @} */

    /// Closes the keys, drops the children and deletes this node's key tree, in the node's
    /// store, below "SOFTWARE\Vireo\" only.
    virtual bool remove() = 0;
    /** @{ */
    /// Deletes a value from the node's primary store.
    virtual bool deleteValue(const QString& name) = 0;
    virtual bool deleteValue(const char* name) = 0;
    /** @} */
};

} // namespace vds
