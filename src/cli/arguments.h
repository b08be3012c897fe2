#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace fenban::cli {

// What is left of a command line while a command takes its words from it.
class Arguments {
public:
    explicit Arguments(QStringList words);

    // Takes "--name VALUE" or "--name=VALUE" wherever it stands. A name with no value after it
    // is recorded as a usage error and gives nothing.
    std::optional<QString> takeOption(const QString &name);
    // Takes "--name" standing alone; true when it was there.
    bool takeFlag(const QString &name);
    // Takes the first word that is not an option.
    std::optional<QString> takePositional();

    // Takes "--name FIRST SECOND" wherever it stands. Fewer than two words after the name, or a
    // following option where a value should be, is recorded as a usage error and gives nothing.
    std::optional<std::pair<QString, QString>> takeOptionPair(const QString &name);

    // The first problem found so far, or of the words nobody took; empty when all is well.
    QString usageError() const;
    bool empty() const { return m_words.isEmpty(); }

private:
    QStringList m_words;
    QString m_error;
};

} // namespace fenban::cli
