// Window tests share one QApplication on the offscreen platform.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

namespace {

// A new directory only we may use (mode 0700), or the empty text when none could be made.
std::string MakePrivateDirectory() {
    std::string path = std::filesystem::temp_directory_path().string() + "/fc-ui-runtime-XXXXXX";
    return mkdtemp(path.data()) ? path : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime directory; without one it warns and makes its own under /tmp.
    const std::string runtimeDirectory =
        qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") ? MakePrivateDirectory() : std::string();
    if (!runtimeDirectory.empty()) qputenv("XDG_RUNTIME_DIR", runtimeDirectory.c_str());
    ::testing::InitGoogleTest(&argc, argv);
    int status = 0;
    {
        QApplication application(argc, argv);
        status = RUN_ALL_TESTS();
    }
    if (!runtimeDirectory.empty()) std::filesystem::remove_all(runtimeDirectory);
    return status;
}
