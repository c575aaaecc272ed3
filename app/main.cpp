// file-converter: turns a file from one known version into another with a binary patch and
// proves the result by its MD5 checksum.
#include <QApplication>

#include "app/file_converter_app.h"
#include "platform/files.h"
#include "ui/qt_dialogs.h"
#include "ui/window_seams.h"

int main(int argc, char** argv) {
    // Long operations hand the window its events after every small step; Qt's own dispatcher
    // does that at half the cost of the glib one.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
    QApplication application(argc, argv);
    ui::QtDialogs dialogs;
    app::FileConverterApp program(platform::ExecutablePath(), dialogs, ui::EndProcessNow);
    program.Start();
    return program.Run();
}
