#pragma once

#include <QByteArray>
#include <QString>

namespace picura {

// Text on disk is in the GBK code page. We read and write it through GB18030,
// which reads every GBK byte sequence unchanged and can encode any character.
QString FromGbk(const QByteArray& bytes);
QByteArray ToGbk(const QString& text);

// Cuts `bytes` to at most `maxBytes` without splitting a multi-byte character.
QByteArray TruncateGbk(const QByteArray& bytes, qsizetype maxBytes);

}  // namespace picura
