#include "output/NamingPrompt.h"

#include <QStringList>

#include "output/Naming.h"

namespace picura {

QString TrimPromptName(const QString& typed) {
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && typed[begin] == QLatin1Char(' ')) {
        ++begin;
    }
    while (end > begin && typed[end - 1] == QLatin1Char(' ')) {
        --end;
    }
    return typed.mid(begin, end - begin);
}

QString RemoveExtensionTexts(const QString& name, PromptConfirm how) {
    static const QStringList buttonOrder{QStringLiteral(".bmp"), QStringLiteral(".jpg"),
                                         QStringLiteral(".gif"), QStringLiteral(".png")};
    static const QStringList enterOrder{QStringLiteral(".jpg"), QStringLiteral(".bmp"),
                                        QStringLiteral(".gif"), QStringLiteral(".png")};
    QString out = name;
    for (const QString& ext : how == PromptConfirm::Button ? buttonOrder : enterOrder) {
        out.remove(ext, Qt::CaseInsensitive);
    }
    return out;
}

PromptName DecidePromptName(const QString& typed, PromptConfirm how, const QString& folder,
                            const QString& ext) {
    const QString name = TrimPromptName(typed);
    if (name.isEmpty()) {
        return {kEmptyPromptNameMessage, QString()};
    }
    return {std::nullopt, NextTextPath(folder, RemoveExtensionTexts(name, how), ext)};
}

}  // namespace picura
