// file-converter: turns a file from one known version into another with a binary patch and
// proves the result by its MD5 checksum.
#include <QApplication>

#include "app/event_dispatcher.h"
#include "app/file_converter_app.h"
#include "platform/files.h"
#include "ui/qt_dialogs.h"
#include "ui/window_seams.h"

int main(int argc, char** argv) {
    app::PreferQtEventDispatcher();
    QApplication application(argc, argv);
    ui::QtDialogs dialogs;
    app::FileConverterApp program(platform::ExecutablePath(), dialogs, ui::EndProcessNow);
    program.Start();
    return program.Run();
}
