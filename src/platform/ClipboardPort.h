#pragma once

#include <QImage>
#include <QString>

namespace picura {

// The system clipboard as far as pictures go. The real one is chosen at start-up and passed in.
class ClipboardPort {
  public:
    virtual ~ClipboardPort() = default;

    // Replaces the clipboard's content with the picture. True when the clipboard took it; false leaves
    // the clipboard either as it was or empty, never holding part of the picture.
    virtual bool putImage(const QImage& image) = 0;
    // The clipboard's picture, in whatever format the clipboard offers it (PNG, BMP, ...), or a null
    // QImage when it holds none (empty, text only, or data that does not decode).
    virtual QImage image() = 0;
};

// The desktop's clipboard through QGuiApplication::clipboard() (the CLIPBOARD selection on X11: other
// programs see the picture as image/png, image/bmp and more). Needs a QGuiApplication; without one
// nothing is taken and nothing is read. On X11 the picture stays offered only while this program runs
// and its event loop turns, and X hands the clipboard over only on a request stamped after the current
// owner's: Qt stamps it with the time of the program's last X event (for Ctrl+C, the key press), so a copy
// made with no event since another program took the clipboard can be refused (putImage gives false).
class QtClipboard final : public ClipboardPort {
  public:
    bool putImage(const QImage& image) override;
    QImage image() override;
};

// A clipboard inside this program only: for platforms without a clipboard, and for tests.
class MemoryClipboard : public ClipboardPort {
  public:
    bool putImage(const QImage& image) override;
    QImage image() override { return image_; }

    // Holds text alone, as after a copy from a text editor.
    void putText(const QString& text);
    QString text() const { return text_; }
    void clear();

  private:
    QImage image_;
    QString text_;
};

}  // namespace picura
