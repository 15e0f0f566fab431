#pragma once

#include <QStringList>
#include <QUrl>

#include <vector>

#include "platform/DesktopOpener.h"

namespace picura::test {

// Records what would have been opened; `accept` decides the answer.
class FakeDesktopOpener : public DesktopOpener {
  public:
    bool accept = true;
    QStringList files;
    std::vector<QUrl> urls;

    bool openLocalFile(const QString& path) override {
        files << path;
        return accept;
    }
    bool openUrl(const QUrl& url) override {
        urls.push_back(url);
        return accept;
    }
};

}  // namespace picura::test
