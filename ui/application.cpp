#include "ui/application.h"

#include <QApplication>

namespace ui {

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace ui
