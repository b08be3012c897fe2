#include "cli/arguments.h"

namespace fenban::cli {

Arguments::Arguments(QStringList words) : m_words(std::move(words)) {}

std::optional<QString> Arguments::takeOption(const QString &name) {
    const QString flag = QStringLiteral("--") + name;
    const QString joined = flag + QLatin1Char('=');
    for (qsizetype i = 0; i < m_words.size(); ++i) {
        const QString word = m_words[i];
        if (word.startsWith(joined)) {
            m_words.removeAt(i);
            return word.mid(joined.size());
        }
        if (word != flag)
            continue;
        if (i + 1 >= m_words.size()) {
            if (m_error.isEmpty())
                m_error = QStringLiteral("选项 %1 缺少取值").arg(flag);
            m_words.removeAt(i);
            return std::nullopt;
        }
        const QString value = m_words[i + 1];
        m_words.remove(i, 2);
        return value;
    }
    return std::nullopt;
}

bool Arguments::takeFlag(const QString &name) {
    return m_words.removeOne(QStringLiteral("--") + name);
}

std::optional<QString> Arguments::takePositional() {
    for (qsizetype i = 0; i < m_words.size(); ++i) {
        if (!m_words[i].startsWith(QStringLiteral("--")))
            return m_words.takeAt(i);
    }
    return std::nullopt;
}

QString Arguments::usageError() const {
    if (!m_error.isEmpty())
        return m_error;
    if (!m_words.isEmpty())
        return QStringLiteral("无法识别的参数: %1").arg(m_words.join(QLatin1Char(' ')));
    return {};
}

std::optional<std::pair<QString, QString>> Arguments::takeOptionPair(const QString &name) {
    const QString flag = QStringLiteral("--") + name;
    const qsizetype at = m_words.indexOf(flag);
    if (at < 0)
        return std::nullopt;
    const auto isValue = [this](qsizetype i) {
        return i < m_words.size() && !m_words[i].startsWith(QStringLiteral("--"));
    };
    if (!isValue(at + 1) || !isValue(at + 2)) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("选项 %1 需要两个取值").arg(flag);
        m_words.removeAt(at);
        return std::nullopt;
    }
    std::pair<QString, QString> values{m_words[at + 1], m_words[at + 2]};
    m_words.remove(at, 3);
    return values;
}

} // namespace fenban::cli
