#include "settings/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace picura {
namespace {

// Converts with iconv; undecodable input bytes are replaced (decoding) or
// replaced by '?' (encoding) so that a damaged file never stops the reader.
QByteArray Convert(const char* to, const char* from, const QByteArray& in, const QByteArray& replacement,
                   int skipBytes) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    QByteArray out;
    std::vector<char> buffer(4096);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    while (srcLeft > 0) {
        char* dst = buffer.data();
        size_t dstLeft = buffer.size();
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer.data(), static_cast<qsizetype>(buffer.size() - dstLeft));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (a truncated sequence at the end): skip and mark.
            out.append(replacement);
            size_t skip = std::min<size_t>(static_cast<size_t>(skipBytes), srcLeft);
            src += skip;
            srcLeft -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

QString FromGbk(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    return QString::fromUtf8(Convert("UTF-8", "GB18030", bytes, QByteArray("\xEF\xBF\xBD"), 1));
}

QByteArray ToGbk(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    // A lone surrogate cannot be encoded; skip one UTF-8 byte at a time past it.
    return Convert("GB18030", "UTF-8", text.toUtf8(), QByteArray("?"), 1);
}

QByteArray TruncateGbk(const QByteArray& bytes, qsizetype maxBytes) {
    if (bytes.size() <= maxBytes) {
        return bytes;
    }
    // Walk characters from the start: GB18030 characters are 1, 2 or 4 bytes.
    qsizetype pos = 0;
    while (pos < maxBytes) {
        const auto b = static_cast<unsigned char>(bytes[pos]);
        qsizetype len = 1;
        if (b >= 0x81 && b <= 0xFE && pos + 1 < bytes.size()) {
            const auto b2 = static_cast<unsigned char>(bytes[pos + 1]);
            len = (b2 >= 0x30 && b2 <= 0x39) ? 4 : 2;
        }
        if (pos + len > maxBytes) {
            break;
        }
        pos += len;
    }
    return bytes.left(pos);
}

}  // namespace picura
