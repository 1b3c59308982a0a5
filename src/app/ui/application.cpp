#include "app/ui/application.h"

#include <QMessageBox>
#include <exception>

namespace vellisk::ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        QMessageBox::critical(activeWindow(), "Vellisk", QString::fromUtf8(e.what()));
    } catch (...) {
        QApplication::restoreOverrideCursor();
        QMessageBox::critical(activeWindow(), "Vellisk", "Unexpected error");
    }
    return false;
}

}  // namespace vellisk::ui
