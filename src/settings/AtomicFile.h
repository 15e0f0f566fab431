#pragma once

#include <QByteArray>
#include <QString>

namespace picura {

// A temporary older than this cannot belong to a write still in progress: writes take milliseconds.
inline constexpr int kStaleTemporaryAgeSeconds = 60;

// Replaces the file at `path` with `bytes` so that the file on disk is always either the old one or the
// complete new one, even on a full disk or after a crash: the bytes go to a temporary file in the same
// folder ("<name>.XXXXXX"), which is written, synced and checked before it is renamed over `path`; the
// folder is synced after the rename. Stale temporaries of the same target left by a killed writer are
// removed first. Returns an empty text on success, otherwise the reason for the operator (for example
// "磁盘空间不足。" or the system's own message).
QString WriteFileAtomically(const QString& path, const QByteArray& bytes);

// The reason for an errno value, in the operator's language where we have one.
QString FileErrorReason(int error);

// Removes the temporaries of `path` that an interrupted WriteFileAtomically left behind: regular files
// named exactly "<name>." plus six letters or digits, beside `path`, last written more than
// `minimumAgeSeconds` ago (younger ones may belong to a write in progress). Nothing else is touched.
void RemoveStaleTemporaries(const QString& path, int minimumAgeSeconds = kStaleTemporaryAgeSeconds);

}  // namespace picura
