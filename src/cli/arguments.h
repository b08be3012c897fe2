#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <utility>

namespace fenban::cli {

// How many words follow an option's name.
enum class OptionKind { Flag, Value, Pair };

// The options a command understands, by name without the leading dashes.
using OptionSpec = std::map<QString, OptionKind>;

// A command line split into options and positionals before any command takes a word from it, so
// that an option's value is never taken for a positional (nor the other way round), wherever the
// option stands. Words starting with "--" are options; "-1" is a value. After a lone "--" every
// word is a positional.
class Arguments {
public:
    Arguments(const QStringList &words, const OptionSpec &known);

    // The value of "--name VALUE" or "--name=VALUE". A value starting with "--" is only taken in
    // the second form: otherwise a forgotten value would silently swallow the next option.
    std::optional<QString> takeOption(const QString &name);
    // Whether "--name" was given.
    bool takeFlag(const QString &name);
    // The two values of "--name FIRST SECOND".
    std::optional<std::pair<QString, QString>> takeOptionPair(const QString &name);
    // The next positional word, in the order given.
    std::optional<QString> takePositional();

    // What made the command line ambiguous (an unknown option, an option given twice or without
    // its values), else the positionals nobody took; empty when all is well.
    QString usageError() const;
    // Only the splitting problems, which are known before any command runs.
    const QString &optionError() const { return m_error; }

private:
    void fail(const QString &problem);

    std::map<QString, QStringList> m_options;
    QStringList m_positionals;
    QStringList m_unknown;
    QString m_error;
};

} // namespace fenban::cli
