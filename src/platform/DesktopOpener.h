#pragma once

#include <QString>
#include <QUrl>

namespace picura {

// Hands a local file or a web address to the desktop's default program (the
// help viewer, the web browser). Tests use a fake that records the requests.
class DesktopOpener {
  public:
    virtual ~DesktopOpener() = default;

    // True when the desktop accepted the request; it cannot tell whether the
    // program it starts later succeeds.
    virtual bool openLocalFile(const QString& path) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
};

// The real opener over QDesktopServices (xdg-open on Linux desktops).
class SystemDesktopOpener : public DesktopOpener {
  public:
    bool openLocalFile(const QString& path) override;
    bool openUrl(const QUrl& url) override;
};

}  // namespace picura
