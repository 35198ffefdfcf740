#pragma once

// The command line of one orvmedia command, read by QCommandLineParser: the command's options
// (flags, texts and whole numbers, each number checked while parsing), its arguments, the help
// generated from them, and the one-line refusal of anything else.

#include <QCommandLineParser>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <limits>
#include <optional>

class CommandLine {
public:
    // The largest number the library stores: sizes, durations, positions and ids above it are
    // refused.
    static constexpr qint64 kLargestNumber = std::numeric_limits<qint64>::max();

    // usage: the synopsis, one line per form ("orvmedia ls [--json]"); description: what the
    // command does, printed below it by --help.
    CommandLine(const QString& usage, const QString& description);
    CommandLine(const char* usage, const char* description)
        : CommandLine(QString::fromUtf8(usage), QString::fromUtf8(description)) {}

    void addFlag(const QString& name, const QString& help);
    void addText(const QString& name, const QString& valueName, const QString& help);
    // An option that takes a whole number from minimum to kLargestNumber.
    void addNumber(const QString& name, const QString& valueName, const QString& help,
                   qint64 minimum = 0);
    // A positional argument, for the help text.
    void addArgument(const QString& name, const QString& help, const QString& syntax = {});

    // Reads args (the words after the command's name). Returns the exit code when the command
    // is done already: 0 after printing the help for --help or -h, 1 after printing the refusal
    // of an unknown option, a missing value or a number out of range; nothing when the command
    // goes on.
    std::optional<int> parse(const QStringList& args);

    bool isSet(const QString& name) const;
    // The last value given to an option (empty when it was not given).
    QString text(const QString& name) const;
    // The last number given to an option; fallback when it was not given.
    qint64 number(const QString& name, qint64 fallback = 0) const;
    // Every option given, in the order given, as (name, value), for options that form groups.
    QList<QPair<QString, QString>> optionsInOrder() const;
    QStringList arguments() const;

    // The help: the synopsis, the description, then the options and arguments.
    QString helpText() const;
    QString usage() const { return synopsis; }

private:
    QString restored(const QString& text) const;

    QCommandLineParser parser;
    QString synopsis;
    QString description;
    QList<QPair<QString, qint64>> numbers; // number options and their minimum
};

// A whole number from minimum to CommandLine::kLargestNumber, digits only; false for anything
// else.
bool parseWholeNumber(const QString& text, qint64* number, qint64 minimum = 0);
