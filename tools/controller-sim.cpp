// The simulated newer controller as a process of its own, so that the program can be tried
// without a machine: it listens on the loopback interface for the command port (commands echoed,
// status record on "SX") and the identity port ("HTTP" answered with the maker, the model and
// the production date), with the chosen model and work area. The job commands it receives can
// be written to a file (the first job only, from its first command to its end packet, without
// the start command), which then equals the program's "out.cnx" for a whole job.
//
//   controller-sim [--port 9999] [--identity-port 8080] [--model PRV] [--area 600x400x100]
//                  [--date 20240115] [--base 50x50] [--job-out FILE] [--buffer N --drain N]
//                  [--verbose]
//
// Port 0 takes a free port; the first line printed names the ports listened on. Put
// 127 / 0 / 0 / 1 into "DADudavu.txt" in the program's folder and start the program with
// VELLISK_COMMAND_PORT and VELLISK_IDENTITY_PORT set to the two ports (scripts/try.sh does it all).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "machine_link/machine_context.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "sim/controller_model.h"
#include "sim/tcp_controller.h"

namespace {

void Usage() {
    std::cerr << "usage: controller-sim [--port N] [--identity-port N] [--model TEXT] [--area XxYxZ]\n"
                 "                      [--date YYYYMMDD] [--base XxY] [--job-out FILE] [--buffer N] [--drain N]\n"
                 "                      [--verbose]\n";
}

bool ParseArea(const std::string& s, std::array<std::int32_t, 3>* out) {
    int x = 0, y = 0, z = 0;
    const int n = std::sscanf(s.c_str(), "%dx%dx%d", &x, &y, &z);
    if (n < 2 || x <= 0 || y <= 0) return false;
    *out = {x, y, n == 3 ? z : (*out)[2]};
    return true;
}

// The readable form of a command for the log: letters as they are, other bytes in hex.
std::string Printable(std::string_view c) {
    std::string out;
    for (unsigned char b : c) {
        if (b >= 0x20 && b < 0x7f) {
            out += static_cast<char>(b);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", b);
            out += hex;
        }
    }
    return out;
}

// A port number, or -1 when the text is not a whole number.
int ParsePort(const std::string& s) {
    char* end = nullptr;
    const long n = std::strtol(s.c_str(), &end, 10);
    return (!s.empty() && *end == '\0' && n >= 0 && n <= 65535) ? static_cast<int>(n) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vellisk::sim;
    int commandPort = 9999, identityPort = 8080;
    std::string jobOut;
    bool verbose = false;
    double baseXmm = 50, baseYmm = 50;
    auto model = std::make_unique<ControllerModel>();
    model->armController = true;
    model->model = "PRV";
    model->firmwareVersion = "550";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                Usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--port")
            commandPort = ParsePort(next());
        else if (a == "--identity-port")
            identityPort = ParsePort(next());
        else if (a == "--model")
            model->model = next();
        else if (a == "--date")
            model->productionDate = next();
        else if (a == "--area") {
            if (!ParseArea(next(), &model->workArea)) {
                Usage();
                return 2;
            }
        } else if (a == "--base") {
            if (std::sscanf(next().c_str(), "%lfx%lf", &baseXmm, &baseYmm) != 2) {
                Usage();
                return 2;
            }
        } else if (a == "--job-out")
            jobOut = next();
        else if (a == "--buffer")
            model->bufferCapacity = model->bufferSize = std::strtoul(next().c_str(), nullptr, 10);
        else if (a == "--drain")
            model->drainPerStatusRead = std::strtoul(next().c_str(), nullptr, 10);
        else if (a == "--verbose")
            verbose = true;
        else {
            Usage();
            return a == "--help" ? 0 : 2;
        }
    }
    if (commandPort < 0 || commandPort > 65535 || identityPort < 0 || identityPort > 65535) {
        Usage();
        return 2;
    }

    // The project zero in motor steps of the model (its steps per 0.01 mm).
    {
        vellisk::ProgramEnvironment env;
        vellisk::MachineContext ctx;
        vellisk::SilentNotifier quiet;
        ctx.PlotState.Model = model->model;
        vellisk::SelectMachineModel(ctx, env, quiet);
        model->baseX = static_cast<std::int32_t>(baseXmm * 100 * ctx.PlotParams.StepsX);
        model->baseY = static_cast<std::int32_t>(baseYmm * 100 * ctx.PlotParams.StepsY);
    }

    std::ofstream job;
    if (!jobOut.empty()) {
        job.open(jobOut, std::ios::binary | std::ios::trunc);
        if (!job) {
            std::cerr << "controller-sim: cannot write " << jobOut << "\n";
            return 1;
        }
    }

    // SIGINT and SIGTERM end the simulator; they are taken by sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ControllerModel& m = *model;
    TcpController::Hooks hooks = ModelHooks(m);
    const auto receive = hooks.Command;
    StreamedJobFollower streamed;  // the first job, as it arrives
    hooks.Command = [&](std::string_view c) {
        receive(c);
        if (verbose) std::cout << Printable(c) << "\n" << std::flush;
        if (job.is_open() && streamed.Take(c)) {
            job.write(c.data(), static_cast<std::streamsize>(c.size()));
            job.flush();
        }
    };
    std::unique_ptr<TcpController> server;
    try {
        server = std::make_unique<TcpController>(hooks, static_cast<std::uint16_t>(commandPort),
                                                 static_cast<std::uint16_t>(identityPort));
    } catch (const std::exception& e) {
        std::cerr << "controller-sim: " << e.what() << " (ports " << commandPort << ", " << identityPort << ")\n";
        return 1;
    }
    std::cout << "controller-sim: model " << m.model << ", work area " << m.workArea[0] << "x" << m.workArea[1] << "x"
              << m.workArea[2] << " mm; command port " << server->CommandPort() << ", identity port "
              << server->IdentityPort() << " on 127.0.0.1" << std::endl;
    int sig = 0;
    sigwait(&stopSignals, &sig);
    {
        auto lock = server->Lock();
        std::cout << "controller-sim: " << m.log.size() << " commands, " << m.job.size() << " job commands"
                  << std::endl;
    }
    server.reset();
    return 0;
}
