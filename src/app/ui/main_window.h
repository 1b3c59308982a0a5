#pragma once
// The program's main frame: an MDI area with one child window per open drawing.
#include <QApplication>
#include <QMainWindow>

class QMdiArea;

namespace vellisk::ui {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Reads the drawing and opens it in a new child window. A file that cannot be read is
    // reported in a message box and opens no window; returns whether a window was opened.
    bool OpenDrawing(const QString& path);

    QMdiArea* MdiArea() const { return mdi_; }

private:
    void OpenClick();

    QMdiArea* mdi_;
};

// The application object: an error escaping an event handler is shown to the operator in an
// error box instead of ending the program.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace vellisk::ui
