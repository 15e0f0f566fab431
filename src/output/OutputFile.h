#pragma once

#include <QByteArray>
#include <QString>

namespace picura {

// Writes a picture file through a temporary file in the same folder that is
// renamed over `path`, so an existing file is replaced only by a complete one.
// Returns an empty text on success, otherwise a message for the operator that
// names the path and the reason (folder missing or not writable, disk full...).
QString WriteOutputFile(const QString& path, const QByteArray& bytes);

// The last step of the naming prompt: copies the temporary picture to its final
// path and deletes the temporary one. When the copy fails the temporary file is
// kept (the crop is not lost) and the message for the operator comes back;
// empty text on success.
QString FinishNamingPrompt(const QString& temporaryPath, const QString& finalPath);

}  // namespace picura
