// file-converter: turns a file from one known version into another with a binary patch and
// proves the result by its MD5 checksum.
#include <QCoreApplication>
#include <iostream>
#include <span>

#include "app/event_dispatcher.h"
#include "app/file_converter_app.h"
#include "app/usage.h"
#include "platform/files.h"
#include "platform/process.h"
#include "ui/application.h"
#include "ui/qt_dialogs.h"
#include "ui/window_seams.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    const std::span<const char* const> arguments(argv + 1, static_cast<std::size_t>(argc - 1));
    if (const std::optional<std::string> information =
            app::InformationAskedFor(arguments, platform::ExecutablePath())) {
        std::cout << *information;
        return 0;
    }
    // What an outside program leaves running becomes ours to end on the way out.
    platform::BecomeChildSubreaper();
    app::PreferQtEventDispatcher();
    const std::unique_ptr<QCoreApplication> application = ui::MakeApplication(argc, argv);
    ui::QtDialogs dialogs;
    const auto endProcess = [](int exitCode) {
        platform::EndAllChildren();
        ui::EndProcessNow(exitCode);
    };
    app::FileConverterApp program(platform::ExecutablePath(), dialogs, endProcess);
    program.Start();
    const int exitCode = program.Run();
    platform::EndAllChildren();
    return exitCode;
}
