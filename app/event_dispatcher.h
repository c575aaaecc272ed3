#pragma once

namespace app {

// Long operations hand the window its events after every small step; Qt's own event dispatcher
// does that at half the cost of the glib one. Call before the QApplication is created; an
// explicit QT_NO_GLIB in the environment is left as it is.
void PreferQtEventDispatcher();

}  // namespace app
