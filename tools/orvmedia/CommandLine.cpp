#include "CommandLine.h"

#include "Cli.h"

#include <QHash>
#include <QRegularExpression>

namespace {

// QCommandLineParser reads "-5" as the short option 5. A word that starts with a minus and a
// digit is a negative number, an argument or an option's value: it is hidden behind this mark
// while parsing and shown again when read.
const QChar kNumberMark(0x1F);

bool looksNegative(const QString& arg) {
    return arg.size() >= 2 && arg.at(0) == QLatin1Char('-') &&
           (arg.at(1).isDigit() || arg.at(1) == QLatin1Char('.'));
}

} // namespace

CommandLine::CommandLine(const QString& usage, const QString& description)
    : synopsis(usage), description(description) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help.")));
}

void CommandLine::addFlag(const QString& name, const QString& help) {
    parser.addOption(QCommandLineOption(name, help));
}

void CommandLine::addText(const QString& name, const QString& valueName, const QString& help) {
    parser.addOption(QCommandLineOption(name, help, valueName));
}

void CommandLine::addNumber(const QString& name, const QString& valueName, const QString& help,
                            qint64 minimum) {
    parser.addOption(QCommandLineOption(name, help, valueName));
    numbers.append({name, minimum});
}

void CommandLine::addArgument(const QString& name, const QString& help, const QString& syntax) {
    parser.addPositionalArgument(name, help, syntax);
}

std::optional<int> CommandLine::parse(const QStringList& args) {
    QStringList marked{QStringLiteral("orvmedia")};
    bool optionsEnded = false;
    for (const QString& arg : args) {
        marked << (!optionsEnded && looksNegative(arg) ? kNumberMark + arg : arg);
        optionsEnded = optionsEnded || arg == QLatin1String("--");
    }
    if (!parser.parse(marked)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString name = unknown.first();
            const QString typed = args.contains(QLatin1Char('-') + name)
                                      ? QLatin1Char('-') + name
                                      : QLatin1String("--") + name;
            return Cli::fail(QStringLiteral("unknown option %1 (see orvmedia %2 --help)")
                                 .arg(typed, synopsis.section(QLatin1Char(' '), 1, 1)));
        }
        // "Missing value after '--title'." as "--title needs a value".
        static const QRegularExpression missing(QStringLiteral("Missing value after '(.*)'"));
        const QRegularExpressionMatch match = missing.match(parser.errorText());
        if (match.hasMatch())
            return Cli::fail(QStringLiteral("%1 needs a value").arg(match.captured(1)));
        return Cli::fail(parser.errorText().remove(QRegularExpression(QStringLiteral("\\.$"))));
    }
    if (parser.isSet(QStringLiteral("help"))) {
        Cli::print(helpText());
        return 0;
    }
    for (const auto& [name, minimum] : numbers) {
        for (const QString& value : parser.values(name)) {
            qint64 parsed = 0;
            if (!parseWholeNumber(restored(value), &parsed, minimum))
                return Cli::fail(QStringLiteral("--%1 takes a whole number from %2 to %3, not '%4'")
                                     .arg(name)
                                     .arg(minimum)
                                     .arg(kLargestNumber)
                                     .arg(restored(value)));
        }
    }
    return std::nullopt;
}

bool CommandLine::isSet(const QString& name) const {
    return parser.isSet(name);
}

QString CommandLine::text(const QString& name) const {
    return restored(parser.value(name));
}

qint64 CommandLine::number(const QString& name, qint64 fallback) const {
    qint64 value = fallback;
    if (parser.isSet(name))
        parseWholeNumber(text(name), &value);
    return value;
}

QList<QPair<QString, QString>> CommandLine::optionsInOrder() const {
    QList<QPair<QString, QString>> options;
    QHash<QString, int> taken;
    for (const QString& name : parser.optionNames()) {
        const QStringList values = parser.values(name);
        const int index = taken[name]++;
        options.append({name, index < values.size() ? restored(values.at(index)) : QString()});
    }
    return options;
}

QStringList CommandLine::arguments() const {
    QStringList words;
    for (const QString& word : parser.positionalArguments())
        words << restored(word);
    return words;
}

QString CommandLine::helpText() const {
    // The generated text begins with a usage line of its own; ours replaces it.
    const QString generated = parser.helpText();
    const qsizetype options = generated.indexOf(QLatin1String("Options:"));
    return QStringLiteral("usage: ") + synopsis + QLatin1Char('\n') + description +
           QStringLiteral("\n\n") + generated.mid(options).trimmed();
}

QString CommandLine::restored(const QString& text) const {
    return text.startsWith(kNumberMark) ? text.mid(1) : text;
}

bool parseWholeNumber(const QString& text, qint64* number, qint64 minimum) {
    if (text.isEmpty())
        return false;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        const int digit = c.unicode() - '0';
        if (value > (CommandLine::kLargestNumber - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    if (value < minimum)
        return false;
    *number = value;
    return true;
}
