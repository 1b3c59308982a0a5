#include <QFileInfo>

#include "app/ui/main_window.h"

int main(int argc, char** argv) {
    vellisk::ui::Application app(argc, argv);
    vellisk::ui::MainWindow window;
    window.show();
    for (int i = 1; i < argc; ++i) {
        QString arg = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo::exists(arg)) window.OpenDrawing(arg);
    }
    return app.exec();
}
