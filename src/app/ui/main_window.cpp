#include "app/ui/main_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <exception>

#include "drawing_files/drawing_file.h"
#include "drawing_window/ui/drawing_view.h"

namespace vellisk::ui {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
    setWindowTitle("Vellisk");
    setCentralWidget(mdi_);
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open..."), QKeySequence::Open, this, &MainWindow::OpenClick);
    file->addSeparator();
    file->addAction(tr("E&xit"), QKeySequence::Quit, this, &QWidget::close);
    resize(1024, 768);
}

void MainWindow::OpenClick() {
    QString name = QFileDialog::getOpenFileName(
        this, tr("Open"), QString(),
        tr("Drawings (*.plt *.PLT *.dxf *.DXF *.nc *.NC);;All files (*)"));
    if (!name.isEmpty()) OpenDrawing(name);
}

bool MainWindow::OpenDrawing(const QString& path) {
    DrawingFileResult result = ReadDrawingFile(path.toStdString());
    if (!result.error.empty()) {
        QMessageBox::critical(this, "Vellisk", QString::fromStdString(result.error));
        if (!result.opened) return false;
    }
    auto* view = new DrawingView(std::move(result.figures));
    QMdiSubWindow* child = mdi_->addSubWindow(view);
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->setWindowTitle(QFileInfo(path).fileName());
    child->resize(640, 480);
    child->show();
    return true;
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        QMessageBox::critical(activeWindow(), "Vellisk", QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(activeWindow(), "Vellisk", "Unexpected error");
    }
    return false;
}

}  // namespace vellisk::ui
