#include "cli/arguments.h"

namespace fenban::cli {

namespace {

const QString optionPrefix = QStringLiteral("--");

// Whether the word at i can be an option's value: a word starting with "--" (a lone "--" too)
// only can in the --name=VALUE form.
bool isValue(const QStringList &words, qsizetype i) {
    return i < words.size() && !words[i].startsWith(optionPrefix);
}

} // namespace

Arguments::Arguments(const QStringList &words, const OptionSpec &known) {
    bool onlyPositionals = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (onlyPositionals || !word.startsWith(optionPrefix)) {
            m_positionals.append(word);
            continue;
        }
        if (word == optionPrefix) {
            onlyPositionals = true;
            continue;
        }
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const QString name = word.mid(optionPrefix.size(), equals < 0 ? -1 : equals - optionPrefix.size());
        const QString flag = optionPrefix + name;
        const auto spec = known.find(name);
        if (spec == known.end()) {
            // How many of the following words belong to it cannot be known; they are shown with it.
            m_unknown.append(word);
            while (isValue(words, i + 1))
                m_unknown.append(words[++i]);
            continue;
        }
        if (m_options.count(name) != 0) {
            fail(QStringLiteral("选项 %1 重复给出").arg(flag));
            continue;
        }
        QStringList values;
        switch (spec->second) {
        case OptionKind::Flag:
            if (equals >= 0) {
                fail(QStringLiteral("选项 %1 不带取值: %2").arg(flag, word));
                continue;
            }
            break;
        case OptionKind::Value:
            if (equals >= 0) {
                values.append(word.mid(equals + 1));
            } else if (isValue(words, i + 1)) {
                values.append(words[++i]);
            } else {
                fail(QStringLiteral("选项 %1 缺少取值").arg(flag));
                continue;
            }
            break;
        case OptionKind::Pair:
            if (equals >= 0 || !isValue(words, i + 1) || !isValue(words, i + 2)) {
                fail(QStringLiteral("选项 %1 需要两个取值").arg(flag));
                continue;
            }
            values = {words[i + 1], words[i + 2]};
            i += 2;
            break;
        }
        m_options.emplace(name, values);
    }
    if (!m_unknown.isEmpty())
        fail(QStringLiteral("无法识别的参数: %1").arg(m_unknown.join(QLatin1Char(' '))));
}

void Arguments::fail(const QString &problem) {
    if (m_error.isEmpty())
        m_error = problem;
}

std::optional<QString> Arguments::takeOption(const QString &name) {
    const auto found = m_options.find(name);
    if (found == m_options.end() || found->second.size() != 1)
        return std::nullopt;
    const QString value = found->second.first();
    m_options.erase(found);
    return value;
}

bool Arguments::takeFlag(const QString &name) {
    const auto found = m_options.find(name);
    if (found == m_options.end() || !found->second.isEmpty())
        return false;
    m_options.erase(found);
    return true;
}

std::optional<std::pair<QString, QString>> Arguments::takeOptionPair(const QString &name) {
    const auto found = m_options.find(name);
    if (found == m_options.end() || found->second.size() != 2)
        return std::nullopt;
    std::pair<QString, QString> values{found->second[0], found->second[1]};
    m_options.erase(found);
    return values;
}

std::optional<QString> Arguments::takePositional() {
    if (m_positionals.isEmpty())
        return std::nullopt;
    return m_positionals.takeFirst();
}

QString Arguments::usageError() const {
    if (!m_error.isEmpty())
        return m_error;
    if (!m_positionals.isEmpty())
        return QStringLiteral("无法识别的参数: %1").arg(m_positionals.join(QLatin1Char(' ')));
    return {};
}

} // namespace fenban::cli
