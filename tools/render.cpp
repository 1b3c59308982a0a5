// Paints a drawing as the drawing window shows it, offscreen, into a PNG picture: the drawing is
// loaded and prepared as the program does it, laid out for a window of the given size at the
// given zoom (scrolled to the middle when zoomed) and painted by the window's own code.
//
//   render DRAWING OUT.png [--mode direction|order|layers] [--zoom N] [--size WxH] [--entry 0|1]
//          [name=value ...]
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "drawing_files/file_kind.h"
#include "drawing_window/drawing_window.h"
#include "drawing_window/ui/drawing_painter.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/program_environment.h"
#include "settings/settings.h"
#include "tool_support.h"

using namespace vellisk;

namespace {

int Usage() {
    std::cerr << "usage: render DRAWING OUT.png [--mode direction|order|layers] [--zoom N] [--size WxH]"
                 " [--entry 0|1] [name=value ...]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        const std::string drawing = argv[1];
        const std::string out = argv[2];
        Settings settings;
        ViewOptions options;  // the view menu as the program starts: layer colours, entry points
        int zoom = 1, width = 1280, height = 800;
        for (int i = 3; i < argc; ++i) {
            const std::string a = argv[i];
            const bool hasValue = i + 1 < argc;
            if (a == "--mode" && hasValue) {
                const std::string m = argv[++i];
                options.Kierunek = m == "direction";
                options.Kolejnosc = m == "order";
                options.Warstwy = m == "layers";
                if (!options.Kierunek && !options.Kolejnosc && !options.Warstwy) return Usage();
            } else if (a == "--zoom" && hasValue) {
                zoom = std::atoi(argv[++i]);
            } else if (a == "--entry" && hasValue) {
                options.Punktywej = std::atoi(argv[++i]) != 0;
            } else if (a == "--size" && hasValue) {
                if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
                    width > 20000 || height > 20000)
                    return Usage();
            } else if (a.find('=') != std::string::npos) {
                tools::SetFromText(settings, a);
            } else {
                return Usage();
            }
        }
        ProgramEnvironment env;
        JobValues jobValues;
        MachineContext ctx;
        tools::PrintingNotifier notifier("render");
        DrawingWindow window(FileKindOf(drawing), settings, ctx, env, jobValues, notifier);
        if (!window.Load(drawing)) return 1;
        window.SetZoom(zoom);
        window.Options() = options;
        const QImage picture = ui::RenderWindowPicture(window, QSize(width, height));
        if (picture.isNull() || !picture.save(QString::fromStdString(out), "PNG")) {
            std::cerr << "render: cannot write " << out << "\n";
            return 1;
        }
        std::cout << window.project().Count() << " figures, scale " << window.View().Scale << " pixels a unit\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "render: " << e.what() << "\n";
        return 1;
    }
}
