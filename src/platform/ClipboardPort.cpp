#include "platform/ClipboardPort.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace picura {

bool QtClipboard::putImage(const QImage& image) {
    if (image.isNull() || qGuiApp == nullptr) {
        return false;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* data = new QMimeData;
    data->setImageData(image);
    clipboard->setMimeData(data, QClipboard::Clipboard);
    // The clipboard hands back our own data only while we hold the selection: on X11 the ownership can
    // be refused, and then another program's data (or none) comes back.
    return clipboard->mimeData(QClipboard::Clipboard) == data;
}

QImage QtClipboard::image() {
    if (qGuiApp == nullptr) {
        return {};
    }
    return QGuiApplication::clipboard()->image(QClipboard::Clipboard);
}

bool MemoryClipboard::putImage(const QImage& image) {
    if (image.isNull()) {
        return false;
    }
    image_ = image;
    text_.clear();
    return true;
}

void MemoryClipboard::putText(const QString& text) {
    image_ = QImage();
    text_ = text;
}

void MemoryClipboard::clear() {
    image_ = QImage();
    text_.clear();
}

}  // namespace picura
