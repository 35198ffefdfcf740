#include "VireoSettings.h"

#include <QtEndian>

#include <cstring>

namespace vds {

namespace {

enum class KeyUse { None, Open, Create };
enum class OpenWhen { User, Machine, Either };

// How each open mode treats the two keys, and which of them must open for the node to be open.
struct ModeRule {
    KeyUse user;
    reg::Access userAccess;
    KeyUse machine;
    reg::Access machineAccess;
    OpenWhen when;
};

const ModeRule* ruleFor(int mode) {
    using reg::Access;
    static const ModeRule rules[] = {
        {KeyUse::Open, Access::Full, KeyUse::None, Access::Full, OpenWhen::User},      // 1
        {KeyUse::Open, Access::Full, KeyUse::Open, Access::Full, OpenWhen::Either},    // 2
        {KeyUse::None, Access::Full, KeyUse::Open, Access::Full, OpenWhen::Machine},   // 3
        {KeyUse::Open, Access::Read, KeyUse::None, Access::Read, OpenWhen::User},      // 4
        {KeyUse::Open, Access::Read, KeyUse::Open, Access::Read, OpenWhen::Either},    // 5
        {KeyUse::None, Access::Read, KeyUse::Open, Access::Read, OpenWhen::Machine},   // 6
        {KeyUse::Create, Access::Full, KeyUse::None, Access::Full, OpenWhen::User},    // 7
        {KeyUse::Create, Access::Full, KeyUse::Open, Access::Full, OpenWhen::User},    // 8
        {KeyUse::None, Access::Full, KeyUse::Create, Access::Full, OpenWhen::Machine}, // 9
    };
    if (mode < OPEN_USER || mode > CREATE_MACHINE)
        return nullptr;
    return &rules[mode - OPEN_USER];
}

int firstSeparator(const QString& text) {
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('/') || text.at(i) == QLatin1Char('\\'))
            return i;
    }
    return -1;
}

// Runs the UTF-16 form of an operation for an 8-bit name. A name that is not well-formed UTF-8
// fails the operation: it must not become the empty name, which stands for a key's default value.
template <typename Operation> bool withName(const char* name, Operation operation) {
    QString text;
    return utf8ToUtf16(name, text) && operation(text);
}

QByteArray littleEndian64(quint64 value) {
    QByteArray bytes(8, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray littleEndian32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray utf16Terminated(const QString& text) {
    QByteArray data(static_cast<qsizetype>(text.size() + 1) * 2, '\0');
    for (int i = 0; i < text.size(); ++i)
        qToLittleEndian(text.at(i).unicode(), data.data() + 2 * i);
    return data;
}

// The text of a string value: its UTF-16 units up to the first terminator.
QString textOfString(const QByteArray& data) {
    QString text;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const char16_t unit = qFromLittleEndian<char16_t>(data.constData() + i);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

bool acceptInteger(quint32 type, quint32 size) {
    return (type == reg::TypeDWord || type == reg::TypeQWord) && (size == 4 || size == 8);
}
bool acceptDWord(quint32 type, quint32 size) {
    return type == reg::TypeDWord && size == 4;
}
bool acceptQWord(quint32 type, quint32 size) {
    return type == reg::TypeQWord && size == 8;
}
bool acceptString(quint32 type, quint32) {
    return type == reg::TypeString;
}
bool acceptBinary(quint32 type, quint32 size) {
    return type == reg::TypeBinary && size > 0;
}
bool acceptAny(quint32, quint32) {
    return true;
}

} // namespace

bool utf8ToUtf16(const char* utf8, QString& text) {
    text.clear();
    if (!utf8)
        return false;
    QString out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8);
    while (*s) {
        const unsigned lead = *s;
        int extra = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            code = lead & 0x07;
        } else {
            return false; // a continuation byte, an overlong lead (C0, C1) or F5 and above
        }
        for (int k = 1; k <= extra; ++k) {
            const unsigned byte = s[k];
            if ((byte & 0xC0) != 0x80)
                return false; // truncated (also at the terminator) or not a continuation
            // The second byte rules out overlong forms, surrogates and code points above
            // U+10FFFF.
            if (k == 1 && ((lead == 0xE0 && byte < 0xA0) || (lead == 0xED && byte > 0x9F) ||
                           (lead == 0xF0 && byte < 0x90) || (lead == 0xF4 && byte > 0x8F)))
                return false;
            code = (code << 6) | (byte & 0x3F);
        }
        s += extra + 1;
        if (code >= 0x10000) {
            out.append(QChar(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10))));
            out.append(QChar(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF))));
        } else {
            out.append(QChar(static_cast<char16_t>(code)));
        }
    }
    text = out;
    return true;
}

const QString& VireoSettings::settingsRoot() {
    static const QString root = QStringLiteral("SOFTWARE\\Vireo\\");
    return root;
}

VireoSettings::VireoSettings(const QString& name, int mode, VireoSettings* parent)
    : path(parent ? parent->path + QLatin1Char('\\') + name : settingsRoot() + name), name(name),
      mode(mode) {
    if (parent)
        parent->children[name] = vtl::RefCountedPtr<VireoSettings>(this);
}

VireoSettings::VireoSettings(const QString& keyPath, const QString& name, int mode)
    : path(keyPath), name(name), mode(mode) {}

VireoSettings::~VireoSettings() {
    closeKeys();
}

VireoSettings* VireoSettings::atKeyPath(const QString& keyPath, int mode) {
    return new VireoSettings(keyPath, keyPath.section(QLatin1Char('\\'), -1), mode);
}

int VireoSettings::addRef() {
    return ++refs;
}

int VireoSettings::release() {
    if (--refs == 0) {
        delete this;
        return 0;
    }
    return refs;
}

int VireoSettings::refCount() const {
    return refs;
}

bool VireoSettings::machineIsPrimary() const {
    return mode == OPEN_MACHINE || mode == OPEN_MACHINE_READ || mode == CREATE_MACHINE;
}

reg::KeyHandle VireoSettings::primaryKey() const {
    return machineIsPrimary() ? machineKey.get() : userKey.get();
}

bool VireoSettings::open() {
    const ModeRule* rule = ruleFor(mode);
    if (!rule)
        return false;
    if (rule->user != KeyUse::None && !userKey.get()) {
        if (rule->user == KeyUse::Create)
            reg::createKey(reg::Root::CurrentUser, path, rule->userAccess, userKey.receive());
        else
            reg::openKey(reg::Root::CurrentUser, path, rule->userAccess, userKey.receive());
    }
    if (rule->machine != KeyUse::None && !machineKey.get()) {
        if (rule->machine == KeyUse::Create)
            reg::createKey(reg::Root::LocalMachine, path, rule->machineAccess,
                           machineKey.receive());
        else
            reg::openKey(reg::Root::LocalMachine, path, rule->machineAccess, machineKey.receive());
    }
    bool isOpen = false;
    switch (rule->when) {
    case OpenWhen::User:
        isOpen = userKey.get() != nullptr;
        break;
    case OpenWhen::Machine:
        isOpen = machineKey.get() != nullptr;
        break;
    case OpenWhen::Either:
        isOpen = userKey.get() != nullptr || machineKey.get() != nullptr;
        break;
    }
    if (isOpen)
        root = machineIsPrimary() ? reg::Root::LocalMachine : reg::Root::CurrentUser;
    return isOpen;
}

void VireoSettings::closeKeys() {
    userKey.reset();
    machineKey.reset();
}

bool VireoSettings::write(const QString& valueName, quint32 type, const void* data, quint32 size) {
    if (!open())
        return false;
    const reg::KeyHandle key = primaryKey();
    return key && reg::writeValue(key, valueName, type, data, size) == reg::Ok;
}

bool VireoSettings::read(const QString& valueName, bool (*accept)(quint32, quint32),
                         QByteArray& data, quint32* type, bool* fromMachine) {
    if (!open())
        return false;
    const reg::KeyHandle keys[] = {primaryKey(), machineIsPrimary() ? nullptr : machineKey.get()};
    for (const reg::KeyHandle key : keys) {
        if (!key)
            continue;
        quint32 queriedType = 0;
        quint32 size = 0;
        if (reg::queryValue(key, valueName, &queriedType, &size) != reg::Ok ||
            !accept(queriedType, size))
            continue;
        QByteArray buffer(static_cast<qsizetype>(size), '\0');
        quint32 readType = 0;
        quint32 readSize = size;
        if (reg::readValue(key, valueName, &readType, buffer.data(), &readSize) != reg::Ok ||
            readSize != size || readType != queriedType)
            continue;
        data = buffer;
        if (type)
            *type = readType;
        if (fromMachine)
            *fromMachine = key == machineKey.get();
        return true;
    }
    return false;
}

// A 4-byte value is extended to 64 bits: with its sign for the signed getters, with zeros for
// the unsigned ones.
bool VireoSettings::readInteger(const QString& valueName, bool isSigned, quint64& value) {
    QByteArray data;
    if (!read(valueName, acceptInteger, data))
        return false;
    if (data.size() == 8) {
        value = qFromLittleEndian<quint64>(data.constData());
    } else {
        const quint32 low = qFromLittleEndian<quint32>(data.constData());
        value = isSigned ? static_cast<quint64>(static_cast<qint64>(static_cast<qint32>(low)))
                         : static_cast<quint64>(low);
    }
    return true;
}

bool VireoSettings::collectNames(bool subKeys, std::set<QString>& names) {
    if (!open())
        return false;
    const reg::KeyHandle primary = primaryKey();
    if (!primary)
        return false;
    std::set<QString> found;
    QStringList list;
    const auto listNames = subKeys ? reg::enumSubKeys : reg::enumValues;
    if (listNames(primary, &list) != reg::Ok)
        return false;
    found.insert(list.cbegin(), list.cend());
    const bool mergesMachine = mode == OPEN_USER_AND_MACHINE ||
                               mode == OPEN_USER_AND_MACHINE_READ ||
                               mode == CREATE_USER_OPEN_MACHINE;
    if (mergesMachine && machineKey.get() && listNames(machineKey.get(), &list) == reg::Ok)
        found.insert(list.cbegin(), list.cend());
    names.swap(found);
    return true;
}

bool VireoSettings::getName(QString& nodeName) {
    nodeName = name;
    return true;
}

bool VireoSettings::getName(QByteArray& nodeName) {
    nodeName = name.toUtf8();
    return true;
}

bool VireoSettings::getChildCount(quint32& count) {
    std::set<QString> names;
    if (!collectNames(true, names))
        return false;
    count = static_cast<quint32>(names.size());
    return true;
}

bool VireoSettings::getChildNames(std::set<QString>& names) {
    return collectNames(true, names);
}

bool VireoSettings::getChildNames(std::set<QByteArray>& names) {
    std::set<QString> found;
    if (!collectNames(true, found))
        return false;
    names.clear();
    for (const QString& n : found)
        names.insert(n.toUtf8());
    return true;
}

bool VireoSettings::getChild(const QString& childName, IVireoSettings** child) {
    if (childName.isEmpty() || !open())
        return false;
    const int cut = firstSeparator(childName);
    const QString first = cut < 0 ? childName : childName.left(cut);
    const QString rest = cut < 0 ? QString() : childName.mid(cut + 1);

    vtl::RefCountedPtr<VireoSettings> node;
    const auto it = children.find(first);
    if (it != children.end()) {
        node = it->second;
    } else {
        IVireoSettings* opened = nullptr;
        if (!openSettings(first, mode, this, &opened)) {
            // A child that cannot open is not kept: the next request tries again.
            children.erase(first);
            return false;
        }
        node = static_cast<VireoSettings*>(opened);
        opened->release();
    }
    if (!rest.isEmpty())
        return node->getChild(rest, child);
    node.copyTo(child);
    return true;
}

bool VireoSettings::getChild(const char* childName, IVireoSettings** child) {
    return withName(childName, [&](const QString& n) { return getChild(n, child); });
}

bool VireoSettings::getValueCount(quint32& count) {
    std::set<QString> names;
    if (!collectNames(false, names))
        return false;
    count = static_cast<quint32>(names.size());
    return true;
}

bool VireoSettings::getValueNames(std::set<QString>& names) {
    return collectNames(false, names);
}

bool VireoSettings::getValueNames(std::set<QByteArray>& names) {
    std::set<QString> found;
    if (!collectNames(false, found))
        return false;
    names.clear();
    for (const QString& n : found)
        names.insert(n.toUtf8());
    return true;
}

bool VireoSettings::setInt64(const QString& valueName, qint64 value) {
    const QByteArray data = littleEndian64(static_cast<quint64>(value));
    return write(valueName, reg::TypeQWord, data.constData(), 8);
}

bool VireoSettings::setInt64(const char* valueName, qint64 value) {
    return withName(valueName, [&](const QString& n) { return setInt64(n, value); });
}

bool VireoSettings::setInt(const QString& valueName, qint32 value) {
    return setInt64(valueName, static_cast<qint64>(value));
}

bool VireoSettings::setInt(const char* valueName, qint32 value) {
    return withName(valueName, [&](const QString& n) { return setInt(n, value); });
}

bool VireoSettings::setUInt(const QString& valueName, quint32 value) {
    return setInt64(valueName, static_cast<qint64>(value));
}

bool VireoSettings::setUInt(const char* valueName, quint32 value) {
    return withName(valueName, [&](const QString& n) { return setUInt(n, value); });
}

bool VireoSettings::setUInt64(const QString& valueName, quint64 value) {
    return setInt64(valueName, static_cast<qint64>(value));
}

bool VireoSettings::setUInt64(const char* valueName, quint64 value) {
    return withName(valueName, [&](const QString& n) { return setUInt64(n, value); });
}

bool VireoSettings::setLong(const QString& valueName, long value) {
    return setInt64(valueName, static_cast<qint64>(value));
}

bool VireoSettings::setLong(const char* valueName, long value) {
    return withName(valueName, [&](const QString& n) { return setLong(n, value); });
}

bool VireoSettings::setFloat(const QString& valueName, float value) {
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const QByteArray data = littleEndian32(bits);
    return write(valueName, reg::TypeDWord, data.constData(), 4);
}

bool VireoSettings::setFloat(const char* valueName, float value) {
    return withName(valueName, [&](const QString& n) { return setFloat(n, value); });
}

bool VireoSettings::setDouble(const QString& valueName, double value) {
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const QByteArray data = littleEndian64(bits);
    return write(valueName, reg::TypeQWord, data.constData(), 8);
}

bool VireoSettings::setDouble(const char* valueName, double value) {
    return withName(valueName, [&](const QString& n) { return setDouble(n, value); });
}

bool VireoSettings::setBool(const QString& valueName, bool value) {
    const QByteArray data = littleEndian32(value ? 1 : 0);
    return write(valueName, reg::TypeDWord, data.constData(), 4);
}

bool VireoSettings::setBool(const char* valueName, bool value) {
    return withName(valueName, [&](const QString& n) { return setBool(n, value); });
}

// A value that is not well-formed UTF-8 is refused rather than stored as an empty string.
bool VireoSettings::setString(const QString& valueName, const char* value) {
    QString text;
    if (!utf8ToUtf16(value, text))
        return false;
    return setString(valueName, text);
}

bool VireoSettings::setString(const char* valueName, const char* value) {
    return withName(valueName, [&](const QString& n) { return setString(n, value); });
}

bool VireoSettings::setString(const QString& valueName, const QString& value) {
    const QByteArray data = utf16Terminated(value);
    return write(valueName, reg::TypeString, data.constData(), static_cast<quint32>(data.size()));
}

bool VireoSettings::setString(const char* valueName, const QString& value) {
    return withName(valueName, [&](const QString& n) { return setString(n, value); });
}

bool VireoSettings::setBinary(const QString& valueName, const void* data, quint32 length) {
    if (!data && length > 0)
        return false;
    return write(valueName, reg::TypeBinary, data, length);
}

bool VireoSettings::setBinary(const char* valueName, const void* data, quint32 length) {
    return withName(valueName, [&](const QString& n) { return setBinary(n, data, length); });
}

bool VireoSettings::getInt64(const QString& valueName, qint64& value) {
    quint64 read = 0;
    if (!readInteger(valueName, true, read))
        return false;
    value = static_cast<qint64>(read);
    return true;
}

bool VireoSettings::getInt64(const char* valueName, qint64& value) {
    return withName(valueName, [&](const QString& n) { return getInt64(n, value); });
}

bool VireoSettings::getInt(const QString& valueName, qint32& value) {
    quint64 read = 0;
    if (!readInteger(valueName, true, read))
        return false;
    value = static_cast<qint32>(static_cast<quint32>(read));
    return true;
}

bool VireoSettings::getInt(const char* valueName, qint32& value) {
    return withName(valueName, [&](const QString& n) { return getInt(n, value); });
}

bool VireoSettings::getInt(const QString& valueName, quint32& value) {
    quint64 read = 0;
    if (!readInteger(valueName, false, read))
        return false;
    value = static_cast<quint32>(read);
    return true;
}

bool VireoSettings::getInt(const char* valueName, quint32& value) {
    return withName(valueName, [&](const QString& n) { return getInt(n, value); });
}

bool VireoSettings::getUInt64(const QString& valueName, quint64& value) {
    return readInteger(valueName, false, value);
}

bool VireoSettings::getUInt64(const char* valueName, quint64& value) {
    return withName(valueName, [&](const QString& n) { return getUInt64(n, value); });
}

bool VireoSettings::getLong(const QString& valueName, long& value) {
    quint64 read = 0;
    if (!readInteger(valueName, true, read))
        return false;
    value = static_cast<long>(static_cast<qint64>(read));
    return true;
}

bool VireoSettings::getLong(const char* valueName, long& value) {
    return withName(valueName, [&](const QString& n) { return getLong(n, value); });
}

bool VireoSettings::getFloat(const QString& valueName, float& value) {
    QByteArray data;
    if (!read(valueName, acceptDWord, data))
        return false;
    const quint32 bits = qFromLittleEndian<quint32>(data.constData());
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool VireoSettings::getFloat(const char* valueName, float& value) {
    return withName(valueName, [&](const QString& n) { return getFloat(n, value); });
}

bool VireoSettings::getDouble(const QString& valueName, double& value) {
    QByteArray data;
    if (!read(valueName, acceptQWord, data))
        return false;
    const quint64 bits = qFromLittleEndian<quint64>(data.constData());
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool VireoSettings::getDouble(const char* valueName, double& value) {
    return withName(valueName, [&](const QString& n) { return getDouble(n, value); });
}

bool VireoSettings::getBool(const QString& valueName, bool& value) {
    QByteArray data;
    if (!read(valueName, acceptDWord, data))
        return false;
    value = qFromLittleEndian<quint32>(data.constData()) != 0;
    return true;
}

bool VireoSettings::getBool(const char* valueName, bool& value) {
    return withName(valueName, [&](const QString& n) { return getBool(n, value); });
}

bool VireoSettings::getString(const QString& valueName, QByteArray& value) {
    QString text;
    if (!getString(valueName, text))
        return false;
    value = text.toUtf8();
    return true;
}

bool VireoSettings::getString(const char* valueName, QByteArray& value) {
    return withName(valueName, [&](const QString& n) { return getString(n, value); });
}

bool VireoSettings::getString(const QString& valueName, QString& value) {
    QByteArray data;
    if (!read(valueName, acceptString, data))
        return false;
    value = textOfString(data);
    return true;
}

bool VireoSettings::getString(const char* valueName, QString& value) {
    return withName(valueName, [&](const QString& n) { return getString(n, value); });
}

bool VireoSettings::getBinary(const QString& valueName, QByteArray& value) {
    return read(valueName, acceptBinary, value);
}

bool VireoSettings::getBinary(const char* valueName, QByteArray& value) {
    return withName(valueName, [&](const QString& n) { return getBinary(n, value); });
}

// Deletes only below the settings tree's root, and never the root itself.
bool VireoSettings::remove() {
    closeKeys();
    children.clear();
    const QString& base = settingsRoot();
    if (path.size() <= base.size() || !path.startsWith(base, Qt::CaseInsensitive))
        return false;
    if (root == reg::Root::None)
        return false;
    return reg::deleteKeyTree(root, path) == reg::Ok;
}

bool VireoSettings::deleteValue(const QString& valueName) {
    if (!open())
        return false;
    const reg::KeyHandle key = primaryKey();
    return key && reg::deleteValue(key, valueName) == reg::Ok;
}

bool VireoSettings::deleteValue(const char* valueName) {
    return withName(valueName, [&](const QString& n) { return deleteValue(n); });
}

bool VireoSettings::readTypedValue(const QString& valueName, quint32& type, QByteArray& data,
                                   bool* fromMachine) {
    return read(valueName, acceptAny, data, &type, fromMachine);
}

bool VireoSettings::writeTypedValue(const QString& valueName, quint32 type,
                                    const QByteArray& data) {
    return write(valueName, type, data.constData(), static_cast<quint32>(data.size()));
}

bool openSettings(const QString& path, int mode, VireoSettings* parent, IVireoSettings** node) {
    if (path.isEmpty())
        return false;
    const int cut = firstSeparator(path);
    const QString first = cut < 0 ? path : path.left(cut);
    const QString rest = cut < 0 ? QString() : path.mid(cut + 1);
    // Held here while the rest is built; a node on the way lives on only through its parent or
    // whoever receives the last node.
    const vtl::RefCountedPtr<VireoSettings> created(new VireoSettings(first, mode, parent));
    if (!rest.isEmpty())
        return openSettings(rest, mode, created.get(), node);
    if (!created->open())
        return false;
    created.copyTo(node);
    return true;
}

bool openSettings(const char* path, int mode, VireoSettings* parent, IVireoSettings** node) {
    QString text;
    if (!utf8ToUtf16(path, text))
        return false;
    return openSettings(text, mode, parent, node);
}

} // namespace vds
