// orvmedia settings: the player's settings of the media library's node ("Settings/" and the
// component id), read and written in the same hive files the plugin reads.

#include "Cli.h"
#include "CommandLine.h"

#include "OSUtilities.h"
#include "settings/VireoSettings.h"

#include <QtEndian>

#include <limits>
#include <set>

namespace {

typedef vtl::RefCountedQIPtr<vds::VireoSettings> NodePtr;

QString nodePath() {
    return QStringLiteral("Settings/") +
           QString::fromUtf8(VireoStudio::OSUtilities::getComponentIdUTF8());
}

// Warns about each hive file that cannot be read: its values are left out.
void warnAboutDamagedHives() {
    for (const vds::reg::Root root : {vds::reg::Root::CurrentUser, vds::reg::Root::LocalMachine}) {
        QString error;
        if (!vds::reg::checkHive(root, &error))
            Cli::fail(QStringLiteral("warning: %1; its values are ignored").arg(error));
    }
}

// The node at path below the plugin's node (the node itself for an empty path), or null.
NodePtr openGroup(const QString& path, int mode) {
    vds::IVireoSettings* raw = nullptr;
    if (!vds::openSettings(nodePath(), mode, nullptr, &raw))
        return NodePtr();
    NodePtr node(raw);
    raw->release();
    if (path.isEmpty() || path == QLatin1String("/"))
        return node;
    vds::IVireoSettings* child = nullptr;
    if (!node->getChild(path, &child))
        return NodePtr();
    NodePtr group(child);
    child->release();
    return group;
}

// "@" names a group's default value, the value with the empty name, as the files write it.
QString valueName(const QString& argument) {
    return argument == QLatin1String("@") ? QString() : argument;
}

QString shownName(const QString& name) {
    return name.isEmpty() ? QStringLiteral("@") : name;
}

QString typeName(quint32 type) {
    switch (type) {
    case vds::reg::TypeString:
        return QStringLiteral("string");
    case vds::reg::TypeBinary:
        return QStringLiteral("binary");
    case vds::reg::TypeDWord:
        return QStringLiteral("dword");
    case vds::reg::TypeQWord:
        return QStringLiteral("qword");
    default:
        return QStringLiteral("hex(%1)").arg(type, 0, 16);
    }
}

QString hexBytes(const QByteArray& data) {
    return QString::fromLatin1(data.toHex(','));
}

// Integers print as signed numbers, as the player reads them.
QString formatValue(quint32 type, const QByteArray& data) {
    if (type == vds::reg::TypeDWord && data.size() == 4)
        return QString::number(qFromLittleEndian<qint32>(data.constData()));
    if (type == vds::reg::TypeQWord && data.size() == 8)
        return QString::number(qFromLittleEndian<qint64>(data.constData()));
    if (type == vds::reg::TypeString) {
        QString text;
        for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
            const char16_t unit = qFromLittleEndian<char16_t>(data.constData() + i);
            if (unit == 0)
                break;
            text.append(QChar(unit));
        }
        return text;
    }
    return hexBytes(data);
}

// A decimal number, or hexadecimal after "0x", within [minimum, maximum].
bool parseInteger(const QString& text, qint64 minimum, quint64 maximum, quint64* value) {
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QString digits = negative ? text.mid(1) : text;
    bool ok = false;
    quint64 magnitude = 0;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        magnitude = digits.mid(2).toULongLong(&ok, 16);
    else if (!digits.isEmpty() && digits.at(0).isDigit())
        magnitude = digits.toULongLong(&ok, 10);
    if (!ok)
        return false;
    if (negative) {
        if (magnitude > static_cast<quint64>(-(minimum + 1)) + 1)
            return false;
        *value = ~magnitude + 1;
        return true;
    }
    if (magnitude > maximum)
        return false;
    *value = magnitude;
    return true;
}

bool parseBinary(const QString& text, QByteArray* bytes) {
    QString digits = text;
    digits.remove(QLatin1Char(',')).remove(QLatin1Char(' ')).remove(QLatin1Char(':'));
    if (digits.isEmpty() || digits.size() % 2 != 0)
        return false;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    *bytes = QByteArray::fromHex(digits.toLatin1());
    return true;
}

const char kSettingsUsage[] =
    "orvmedia settings get PATH NAME\n"
    "orvmedia settings set PATH NAME VALUE --type dword|qword|string|binary [--machine]\n"
    "orvmedia settings ls [PATH]\n"
    "  Works on the settings node of the media library (\"Settings\" and the component\n"
    "  id below SOFTWARE\\Vireo); PATH names a group below it, such as Playback, with\n"
    "  \"/\" between levels (empty: the node itself); NAME @ is the group's default value.\n"
    "  get prints a value; a per-user value overrides a machine-wide one. ls lists the sub-groups "
    "(with a trailing \"/\") and\n"
    "  the values with their types. Integers print as signed numbers, as the player\n"
    "  reads them; VALUE may be decimal or 0x-hex, binary VALUE hex bytes (01,ab,ff).\n"
    "  set writes the per-user file, or with --machine the machine-wide file:\n"
    "    per-user      $XDG_CONFIG_HOME/Vireo/registry.reg (~/.config/...)\n"
    "    machine-wide  first folder of $XDG_CONFIG_DIRS (/etc/xdg), then\n"
    "                  /Vireo/registry.reg\n"
    "  The files are registry exports (\"Windows Registry Editor Version 5.00\") and\n"
    "  may be edited by hand; a file that cannot be parsed is ignored when reading,\n"
    "  with a warning, and never overwritten. Example: orvmedia settings set Playback\n"
    "  RecentFileMaximum 50 --type dword";

void addPathArgument(CommandLine& line) {
    line.addArgument(QStringLiteral("path"),
                     QStringLiteral("The group below the media library's node, such as Playback."),
                     QStringLiteral("PATH"));
}

int runGet(const QStringList& words) {
    CommandLine line("orvmedia settings get PATH NAME",
                     "Prints a value; a per-user value overrides a machine-wide one.");
    addPathArgument(line);
    line.addArgument(QStringLiteral("name"), QStringLiteral("The value's name."),
                     QStringLiteral("NAME"));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    if (args.size() != 2)
        return Cli::fail(
            QStringLiteral("settings get takes PATH NAME (see orvmedia settings --help)"));
    warnAboutDamagedHives();
    const NodePtr group = openGroup(args.at(0), vds::OPEN_USER_AND_MACHINE_READ);
    quint32 type = 0;
    QByteArray data;
    if (!group || !group->readTypedValue(valueName(args.at(1)), type, data))
        return Cli::fail(QStringLiteral("no value '%1' in '%2'").arg(args.at(1), args.at(0)));
    Cli::print(formatValue(type, data));
    return 0;
}

int runList(const QStringList& words) {
    CommandLine line("orvmedia settings ls [PATH]",
                     "Lists the sub-groups (with a trailing \"/\") and the values with their "
                     "types.");
    addPathArgument(line);
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    if (args.size() > 1)
        return Cli::fail(
            QStringLiteral("settings ls takes at most PATH (see orvmedia settings --help)"));
    const QString path = args.isEmpty() ? QString() : args.at(0);
    warnAboutDamagedHives();
    // Listing needs the per-user key; where there is none (or its file is damaged), the
    // machine-wide key alone is listed.
    NodePtr group;
    std::set<QString> children;
    std::set<QString> values;
    for (const int mode : {vds::OPEN_USER_AND_MACHINE_READ, vds::OPEN_MACHINE_READ}) {
        group = openGroup(path, mode);
        if (group && group->getChildNames(children) && group->getValueNames(values))
            break;
        group = NodePtr();
    }
    if (!group)
        return Cli::fail(QStringLiteral("no settings at '%1'").arg(path));
    for (const QString& child : children)
        Cli::print(child + QLatin1Char('/'));
    for (const QString& name : values) {
        quint32 type = 0;
        QByteArray data;
        bool fromMachine = false;
        if (!group->readTypedValue(name, type, data, &fromMachine))
            continue;
        Cli::print(QStringLiteral("%1 = %2 (%3%4)")
                       .arg(shownName(name), formatValue(type, data), typeName(type),
                            fromMachine ? QStringLiteral(", machine-wide") : QString()));
    }
    return 0;
}

int runSet(const QStringList& words) {
    CommandLine line(
        "orvmedia settings set PATH NAME VALUE --type dword|qword|string|binary [--machine]",
        "Writes a value to the per-user file, or with --machine to the machine-wide file.\n"
        "VALUE may be decimal or 0x-hex; a binary VALUE is hex bytes (01,ab,ff).");
    addPathArgument(line);
    line.addArgument(QStringLiteral("name"), QStringLiteral("The value's name."),
                     QStringLiteral("NAME"));
    line.addArgument(QStringLiteral("value"), QStringLiteral("The value."),
                     QStringLiteral("VALUE"));
    line.addText(QStringLiteral("type"), QStringLiteral("TYPE"),
                 QStringLiteral("dword, qword, string or binary."));
    line.addFlag(QStringLiteral("machine"), QStringLiteral("Writes the machine-wide file."));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList positional = line.arguments();
    const QString type = line.text(QStringLiteral("type"));
    const bool machine = line.isSet(QStringLiteral("machine"));
    if (line.isSet(QStringLiteral("type")) && type.isEmpty())
        return Cli::fail(QStringLiteral("--type needs dword, qword, string or binary"));
    if (positional.size() != 3)
        return Cli::fail(QStringLiteral(
            "settings set takes PATH NAME VALUE --type TYPE (see orvmedia settings --help)"));
    if (positional.at(1).isEmpty())
        return Cli::fail(QStringLiteral("the value NAME is empty (@ is the default value)"));
    const QString name = valueName(positional.at(1));
    const QString& text = positional.at(2);

    quint32 regType = 0;
    QByteArray data;
    quint64 number = 0;
    if (type == QLatin1String("dword")) {
        if (!parseInteger(text, std::numeric_limits<qint32>::min(),
                          std::numeric_limits<quint32>::max(), &number))
            return Cli::fail(QStringLiteral("'%1' is not a 32-bit number").arg(text));
        regType = vds::reg::TypeDWord;
        data.resize(4);
        qToLittleEndian(static_cast<quint32>(number), data.data());
    } else if (type == QLatin1String("qword")) {
        if (!parseInteger(text, std::numeric_limits<qint64>::min(),
                          std::numeric_limits<quint64>::max(), &number))
            return Cli::fail(QStringLiteral("'%1' is not a 64-bit number").arg(text));
        regType = vds::reg::TypeQWord;
        data.resize(8);
        qToLittleEndian(number, data.data());
    } else if (type == QLatin1String("string")) {
        regType = vds::reg::TypeString;
    } else if (type == QLatin1String("binary")) {
        if (!parseBinary(text, &data))
            return Cli::fail(QStringLiteral("'%1' is not hex bytes such as 01,ab,ff").arg(text));
        regType = vds::reg::TypeBinary;
    } else {
        return Cli::fail(QStringLiteral("--type must be dword, qword, string or binary"));
    }

    const vds::reg::Root root =
        machine ? vds::reg::Root::LocalMachine : vds::reg::Root::CurrentUser;
    const QString file = vds::reg::hiveFilePath(root);
    QString error;
    if (!vds::reg::checkHive(root, &error))
        return Cli::fail(QStringLiteral("not written: %1").arg(error));
    const NodePtr group =
        openGroup(positional.at(0), machine ? vds::CREATE_MACHINE : vds::CREATE_USER);
    const bool written =
        group && (regType == vds::reg::TypeString ? group->setString(name, text)
                                                  : group->writeTypedValue(name, regType, data));
    if (!written)
        return Cli::fail(QStringLiteral("cannot write '%1' to %2").arg(shownName(name), file));
    const QString stored = regType == vds::reg::TypeString ? text : formatValue(regType, data);
    Cli::print(QStringLiteral("%1 = %2 (%3) in %4").arg(shownName(name), stored, type, file));
    return 0;
}

} // namespace

int runSettings(Cli&, const QStringList& args) {
    if (args.isEmpty())
        return Cli::fail(
            QStringLiteral("settings needs get, set or ls (see orvmedia settings --help)"));
    const QString action = args.first();
    if (action == QLatin1String("--help") || action == QLatin1String("-h")) {
        Cli::print(QLatin1String(kSettingsUsage));
        return 0;
    }
    const QStringList rest = args.mid(1);
    if (action == QLatin1String("get"))
        return runGet(rest);
    if (action == QLatin1String("set"))
        return runSet(rest);
    if (action == QLatin1String("ls"))
        return runList(rest);
    return Cli::fail(
        QStringLiteral("unknown settings action '%1' (see orvmedia settings --help)").arg(action));
}
