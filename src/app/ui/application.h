#pragma once
// The application object: an error escaping an event handler is shown to the operator in an
// error box instead of ending the program.
#include <QApplication>

namespace vellisk::ui {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace vellisk::ui
