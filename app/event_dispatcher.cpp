#include "app/event_dispatcher.h"

#include <QByteArray>
#include <QtGlobal>

namespace app {

void PreferQtEventDispatcher() {
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

}  // namespace app
