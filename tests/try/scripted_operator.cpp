// The program with a scripted operator in front of it, for the test of scripts/try.sh: it starts
// as the program does (the same command line, the drawings named on it opened), waits until the
// Ethernet link is up, chooses START in the Cut menu, waits until the job has gone out and
// chooses File > Exit. A step that does not come in time, or a message box on the way, ends the
// program with the reason on the error output and exit status 1; the script then finds no
// whole job at the machine.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "app/ui/application.h"
#include "app/ui/main_form.h"
#include "app/ui/program_main.h"
#include "machine_link/machine_context.h"
#include "machine_link/trans_arm.h"
#include "../ui/event_loop.h"

using namespace vellisk;

using test::LoopUntil;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    ui::Application app(argc, argv);
    ui::Program program(args);
    ui::TMainForm& frame = program.MainForm();
    std::string failure;
    auto fail = [&](const std::string& why) {
        if (failure.empty()) failure = why;
        program.Streamer().stop();  // else the close is refused while the job streams
        frame.close();
    };
    // A message box would wait for an operator who is not there: it is closed and counts as
    // the failure.
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            fail("message: " + box->text().toStdString());
            box->reject();
        }
    });
    boxes.start(200);
    for (std::size_t i = 1; i < args.size(); ++i) {
        const QString arg = QString::fromLocal8Bit(args[i].c_str());
        if (QFileInfo(arg).isFile()) frame.OpenDrawing(arg);
    }

    // Waits for `done`; false when it did not come within `ms` or a step failed meanwhile.
    auto waitFor = [&](const std::function<bool()>& done, int ms) {
        return LoopUntil([&] { return !failure.empty() || done(); }, ms) && failure.empty();
    };
    QTimer::singleShot(0, [&] {
        if (!failure.empty()) {
            frame.close();
            return;
        }
        if (!waitFor([&] { return program.Context().EthernetConnected.load(); }, 15000))
            return fail("the program did not connect to the controller at " + program.Context().PlotterIP);
        if (frame.Drawings().empty()) return fail("no drawing is open");
        frame.Item(ui::FrameItem::Start)->trigger();
        if (!failure.empty()) return;
        if (!program.Streamer().Streaming()) return fail("START did not send the job");
        if (!waitFor([&] { return !program.Streamer().Streaming(); }, 60000))
            return fail("the job did not end within a minute");
        frame.Item(ui::FrameItem::Exit)->trigger();
    });
    const int status = program.Run();
    if (!failure.empty()) {
        std::cerr << "scripted operator: " << failure << "\n";
        return 1;
    }
    return status;
}
