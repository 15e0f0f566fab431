#include "platform/MakeGlobalKeyGrabber.h"

#include <QString>
#include <QtGlobal>

#include "platform/FocusKeyGrabber.h"
#include "platform/LayeredKeyGrabber.h"
#include "platform/X11KeyGrabber.h"

namespace picura {

std::unique_ptr<GlobalKeyGrabber> MakeGlobalKeyGrabber() {
    const QString choice = qEnvironmentVariable("PICURA_GLOBAL_KEYS").trimmed().toLower();
    if (choice == QLatin1String("focus")) {
        return std::make_unique<FocusKeyGrabber>();
    }
    std::unique_ptr<X11KeyGrabber> x11 = X11KeyGrabber::ForApplication();
    if (choice == QLatin1String("x11")) {
        if (x11) {
            return x11;
        }
        qWarning(
            "PICURA_GLOBAL_KEYS=x11 but the program does not run on X11: the keys work only "
            "while Picura has the focus");
    } else if (!choice.isEmpty()) {
        qWarning("PICURA_GLOBAL_KEYS=%s is neither \"focus\" nor \"x11\"; ignored", qPrintable(choice));
    }
    if (x11) {
        return std::make_unique<LayeredKeyGrabber>(std::move(x11), std::make_unique<FocusKeyGrabber>());
    }
    return std::make_unique<FocusKeyGrabber>();
}

}  // namespace picura
