// file-converter: turns a file from one known version into another with a binary patch and
// proves the result by its MD5 checksum.
#include <unistd.h>

#include <cstdio>

#include <QApplication>

#include "app/file_converter_app.h"
#include "platform/files.h"
#include "ui/qt_dialogs.h"

namespace {

// A fatal error ends the process at once, without any further clean-up.
[[noreturn]] void EndProcess(int exitCode) {
    std::fflush(nullptr);
    _exit(exitCode);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ui::QtDialogs dialogs;
    app::FileConverterApp program(platform::ExecutablePath(), dialogs, EndProcess);
    program.Start();
    return program.Run();
}
