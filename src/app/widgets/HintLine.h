#pragma once

#include <QObject>
#include <QString>

namespace picura {

class HintStatusBar;
class Session;

// The hint line of the status bar: what the component under the mouse is for. It watches the mouse
// moves of the components it is given; each names its hint by object name (MainTables).
class HintLine : public QObject {
    Q_OBJECT
  public:
    struct Watched {
        QObject* surface = nullptr;     // the client area: empties the line
        QObject* toolWindow = nullptr;  // the Edit tools window's own surface: empties it, always rewritten
        QObject* view = nullptr;        // writes its own hint; the start hint without a picture
        QObject* toolbar = nullptr;     // and its buttons: the start hint without a picture, else empty
    };
    HintLine(HintStatusBar* bar, const Session& session, Watched watched, QObject* parent = nullptr);

    // Writes the line only when the text changes, so that it does not flicker under a moving mouse.
    void show(const QString& text);
    const QString& current() const { return current_; }
    // The hint of a component by its object name; a component without one leaves the line as it is.
    void showHintOf(const QObject* component);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    HintStatusBar* bar_;
    const Session& session_;
    Watched watched_;
    QString current_;
};

}  // namespace picura
