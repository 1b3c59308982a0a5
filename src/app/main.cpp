#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle("Vellisk");
    w.setCentralWidget(new QMdiArea(&w));
    w.resize(1024, 768);
    w.show();
    return app.exec();
}
