#pragma once
// Qt's application object for a program that shows this layer's window.
#include <QCoreApplication>
#include <memory>

namespace ui {

// The application object the window needs; `argc` and `argv` must outlive it.
[[nodiscard]] std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv);

}  // namespace ui
