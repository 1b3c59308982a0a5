#include "app/job_control.h"

#include <charconv>

#include "app/job_drawing.h"
#include "machine_link/command_layer.h"
#include "machine_link/commands.h"
#include "machine_link/lpt_transfer.h"
#include "machine_link/machine_context.h"
#include "machine_link/trans_arm.h"
#include "machine_operation/bmp_thread.h"
#include "model/geometry.h"
#include "model/geometry_types.h"
#include "model/lang_texts.h"
#include "model/numeric.h"
#include "platform/notifier.h"
#include "platform/scoped_flag.h"
#include "settings/settings.h"

namespace vellisk {

namespace {

// A number in its shortest decimal form (as the messages show them).
std::string ShortestNumber(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

JobControl::JobControl(MachineContext& ctx, const ProgramEnvironment& env, JobValues& job, Settings& settings,
                       CommandLayer& layer, Notifier& notifier, TTransArm& streamer, Ttransmisja& transfer,
                       JobPanel& panel, JobHost& host, GuiDispatcher* dispatcher)
    : ctx_(ctx),
      env_(env),
      job_(job),
      settings_(settings),
      layer_(layer),
      notifier_(notifier),
      streamer_(streamer),
      transfer_(transfer),
      panel_(panel),
      host_(host),
      dispatcher_(dispatcher) {}

JobControl::~JobControl() { Shutdown(); }

template <typename F>
void JobControl::Run(F command) {
    // A job command runs; a second one called meanwhile (from a message box's or a wait's event
    // loop, or from the panel's timer) finds the flag set and does nothing.
    const ScopedFlag guard(inCommand_);
    if (!guard) return;
    RunReported(notifier_, command);
}

JobSettings JobSettingsOf(const Settings& settings) {
    JobSettings s;
    s.Scale = settings.Number(setting::Scale);
    s.AllowForDiameter = settings.Flag(setting::AllowForDiameter);
    s.ToolDiameter = settings.Number(setting::ToolDiameter);
    s.Polish = settings.Flag(setting::Polishing);
    s.PolishThickness = settings.Number(setting::PolishThickness);
    s.WorkSpeed = settings.Number(setting::WorkSpeed);
    s.Thickness = settings.Number(setting::MaterialThickness);
    s.FlyingStart = settings.Flag(setting::FlyingStart);
    s.PictureWidth = settings.Number(setting::PictureWidth);
    s.PictureHeight = settings.Number(setting::PictureHeight);
    s.BurnPitch = settings.Number(setting::BurnPitch);
    s.PowerForBlack = settings.Number(setting::PowerForBlack);
    s.PowerForWhite = settings.Number(setting::PowerForWhite);
    s.BurnOneWay = settings.Flag(setting::BurnOneWay);
    s.LaserIdlePower = settings.Number(setting::LaserIdlePower);
    return s;
}

std::filesystem::path JobControl::JobFile() const { return env_.ProgramDir / "out.cnx"; }

JobState JobControl::State() const {
    if (burn_ && !burn_->Finished()) {
        if (burn_->Paused()) return JobState::BurnPaused;
        return ctx_.BurnStopRequested.load() ? JobState::BurnPausing : JobState::Burning;
    }
    if (transferRunning_) return JobState::ParallelTransfer;
    if (ctx_.JobHeld) return JobState::Held;
    if (streamer_.Streaming()) return JobState::Streaming;
    return JobState::Idle;
}

bool JobControl::GuiMayUseLink() const { return !inCommand_ && LinkFreeForGui(State()); }

// The parallel-port transfer, shown modally; the job state says the link is taken meanwhile.
int JobControl::RunTransfer() {
    const ScopedFlag transfer(transferRunning_);
    return host_.RunTransfer();
}

std::string JobControl::TravelSpeedCommand() const {
    const std::uint32_t timer = ctx_.SpeedToTimer(
        RoundTo<std::int32_t>(settings_.Number(setting::TravelSpeed) * ctx_.PlotParams.Multiplier, "travel speed"));
    // The newer controller takes 4-byte speeds; the older one 2 bytes (which must fit 16 bits).
    return Bytes({'V', 0}) +
           (ctx_.PlotParams.ArmController ? IntToBytes4(timer) : IntToBytes2(CheckedCast<std::int32_t>(timer)));
}

bool JobControl::SendWait(const std::string& command) {
    layer_.SendCommand(command);
    layer_.GetClock().SleepMs(10);
    // STOP or a lost link during the wait ends the command: nothing more of it is sent.
    return !layer_.WaitWhileBusy().Interrupted();
}

void JobControl::Refuse(const std::string& text) { notifier_.Message(text, MessageKind::Error, Buttons::Ok, ""); }

// The first steps of START and of the burn: a machine that answers, a fresh base point, no job
// running from the machine's memory, no stream still going.
bool JobControl::LinkCheck() {
    if (!host_.ActiveDrawing()) return false;
    // The job is made with the step sizes of the machine's model, and the zero point is read
    // with them: the machine names itself first.
    if (ctx_.ArmLink) panel_.IdentifyMachine();
    if (!layer_.ReadStatus() && layer_.TimedOut() && !host_.UsbMachinePresent()) {
        ctx_.PlotState.BaseX = ctx_.PlotState.BaseY = 1000.0;
        return false;
    }
    layer_.ReadBase();
    if (ctx_.PlotState.Status & kStatusRunningFromMemory) return false;
    if (ctx_.ArmLink && streamer_.Streaming()) streamer_.stop();
    return true;
}

// Size, zero point and margin checks of a drawing of sx x sy mm with the tool diameter d and
// the polishing thickness p.
bool JobControl::WorkAreaChecks(double sx, double sy, double d, double p) {
    const double bx = ctx_.PlotState.BaseX / 100, by = ctx_.PlotState.BaseY / 100;
    const std::string outOfArea =
        env_.Text(TextId::ZeroPointOutOfArea1) + "\r" + env_.Text(TextId::ZeroPointOutOfArea2);
    if (sx + d + 2 * p > ctx_.WorkAreaX || sy + d + 2 * p > ctx_.WorkAreaY) {
        Refuse(env_.Text(TextId::ProjectBiggerThanWorkArea));
        return false;
    }
    if (sx + bx + d / 2 + p > ctx_.WorkAreaX || sy + by + d / 2 + p > ctx_.WorkAreaY) {
        Refuse(outOfArea);
        return false;
    }
    if (bx < d / 2 + p || by < d / 2 + p) {
        Refuse(outOfArea + "\r" + env_.Text(TextId::AllowToolAndPolishing) + " sredn: " + ShortestNumber(d) +
               " gpol: " + ShortestNumber(p));
        return false;
    }
    return true;
}

// The extents of the stream just written, for a laser that starts moving before the figure.
bool JobControl::FlyingStartChecks(double d) {
    const auto& mn = job_.ExtentMin;
    const auto& mx = job_.ExtentMax;
    const double bx = ctx_.PlotState.BaseX / 100, by = ctx_.PlotState.BaseY / 100;
    const std::string nl = "\n\r";
    const std::string detail = nl + env_.Text(TextId::EarlyStartProblem) + nl + nl +
                               env_.Text(ctx_.PlotParams.Laser ? TextId::CfgBeamDiameter : TextId::CfgFraiseDiameter) +
                               ": " + ShortestNumber(d) + nl + "min X:" + ShortestNumber(mn[0]) + nl +
                               "max X:" + ShortestNumber(mx[0]) + nl + "min Y:" + ShortestNumber(mn[1]) + nl +
                               "max Y:" + ShortestNumber(mx[1]);
    if (mx[0] - mn[0] > ctx_.WorkAreaX || mx[1] - mn[1] > ctx_.WorkAreaY) {
        Refuse(env_.Text(TextId::ProjectBiggerThanWorkArea) + detail);
        return false;
    }
    if (bx + mx[0] > ctx_.WorkAreaX || by + mx[1] > ctx_.WorkAreaY) {
        Refuse(env_.Text(TextId::ZeroPointOutOfArea1) + "\r" + env_.Text(TextId::ZeroPointOutOfArea2) + detail);
        return false;
    }
    if (bx + mn[0] < 0 || by + mn[1] < 0) {
        Refuse(env_.Text(TextId::CannotMoveBackBeforeStart) + detail);
        return false;
    }
    return true;
}

void JobControl::Start1Click() {
    Run([this] { StartJob(); });
}

// A drawing without figures (or a bitmap without a picture) gives no job: refused before
// anything goes to the machine.
bool JobControl::HasFigures(const JobDrawing& drawing) {
    const RasterPicture* picture = drawing.Kind() == KindBitmap ? drawing.Picture() : nullptr;
    if (drawing.Kind() == KindBitmap ? picture && !picture->Empty() : drawing.FigureCount() > 0) return true;
    Refuse(env_.Text(TextId::DrawingHasNoFigures));
    return false;
}

void JobControl::StartJob() {
    if (!LinkFreeForGui(State())) return;
    JobDrawing* drawing = host_.ActiveDrawing();
    if (!drawing || !HasFigures(*drawing) || !LinkCheck()) return;
    const tplotparams& pp = ctx_.PlotParams;
    const int kind = drawing->Kind();
    const JobSettings js = JobSettingsOf(settings_);
    const double scale = js.Scale;
    const double sx = scale * UnitsToMm(kind, drawing->Width()) / 100;
    const double sy = scale * UnitsToMm(kind, drawing->Height()) / 100;
    const double d = js.AllowForDiameter && kind != KindGcode ? js.ToolDiameter : 0.0;
    const double p = js.Polish && kind != KindGcode ? js.PolishThickness : 0.0;

    if (kind == KindBitmap) {
        const double workSpeed = js.WorkSpeed;
        const double run =
            RunUpDistance(ctx_, static_cast<std::int32_t>(ctx_.SpeedToTimer(RoundTo<std::int32_t>(workSpeed))));
        const double bx = ctx_.PlotState.BaseX / 100;
        if (bx >= run && sx + bx + d / 2 + run <= ctx_.WorkAreaX) {
            panel_.EnableSpeedPower(false);
            // The machine's status and base point were read just above, with nothing sent or
            // shown since: the burn goes on from them.
            BurnChecked(*drawing);
        } else {
            notifier_.Message(env_.Text(TextId::RunUpBeyondWorkArea), MessageKind::Error, Buttons::Ok,
                              env_.Text(TextId::AccelerationDistance) + " " + ShortestNumber(run) + " [mm], V " +
                                  ShortestNumber(workSpeed));
        }
        return;
    }

    // The drawing against the work area and the zero point read above, before the first command:
    // a refused START moves nothing.
    if (!WorkAreaChecks(sx, sy, d, p)) return;
    layer_.SendCommand(TravelSpeedCommand());
    layer_.SendCommand(Bytes({'F', 0}));
    if (kind == KindGcode) job_.StartZ = drawing->GcodeMaxZ();
    if (pp.Laser) job_.StartZ = 0;
    if (pp.ZReversed) job_.StartZ = -js.Thickness;
    if (ctx_.ArmLink && !layer_.MoveToPoint(0, 0, job_.StartZ)) return;
    if (!SendWait("C")) return;

    BusyCursor cursor(notifier_);
    const int outputKind = kind == KindGcode ? 5 : 4;
    if (kind != KindGcode && !job_.HatchingDone) drawing->AddOutline();
    if (!drawing->Save(JobFile(), 0, drawing->FigureCount() - 1, outputKind)) return;
    if (pp.Laser && js.FlyingStart && !FlyingStartChecks(d)) return;
    if (!ctx_.ArmLink && !transfer_.CheckSize(JobFile())) return;
    if (!JobFileReadyToStream(JobFile(), ctx_, env_, notifier_)) return;

    ctx_.JobHeld = false;
    if (!SendWait("Q") || !SendWait("Q") || !SendWait("C")) return;

    if (!ctx_.ArmLink) {
        panel_.StopTimer();
        const int result = RunTransfer();
        if (result == 1 && layer_.MoveToPoint(0, 0, job_.StartZ)) transfer_.SendStart();
        panel_.StartTimer();
    } else if (layer_.MoveToPoint(0, 0, job_.StartZ) || pp.Laser) {
        streamer_.start(JobFile());
    } else {
        layer_.SendCommand(Bytes({'F', 2}));
    }
    panel_.EnableMotionControls(false);
}

void JobControl::Powtrz1Click() {
    Run([this] {
        if (!LinkFreeForGui(State())) return;
        if (!ctx_.ArmLink) {
            // The job held in the controller's memory runs again (its own checks and messages).
            transfer_.Repeat(host_.OpenFileName());
            return;
        }
        // An empty job or one cut short is refused before the machine is told anything.
        if (!JobFileReadyToStream(JobFile(), ctx_, env_, notifier_)) return;
        // The newer controller does not answer: nothing is sent (the status read of a missing
        // USB machine reads zeros).
        if (!layer_.ReadStatus()) return;
        layer_.SendCommand(TravelSpeedCommand());
        // The job streams again wherever the go-to ended, unless STOP ended it.
        if (layer_.MoveToPoint(0, 0, job_.StartZ).kind == MoveResult::Stopped) return;
        if (streamer_.Streaming()) streamer_.stop();
        layer_.SendCommand("C");
        streamer_.start(JobFile());
    });
}

void JobControl::Wstrzymaj1Click() {
    Run([this] {
        BusyCursor cursor(notifier_);
        if (ctx_.BurnRunning)
            ctx_.BurnStopRequested = true;  // the burn pauses after its line
        else
            panel_.Hold();
    });
}

void JobControl::Kontynuacja1Click() {
    Run([this] {
        // A paused burn goes on whichever window is active.
        if (burn_ && !burn_->Finished() && (burn_->Paused() || ctx_.BurnStopRequested)) {
            panel_.EnableSpeedPower(false);
            ctx_.BurnStopRequested = false;
            burn_->Resume();
            return;
        }
        BusyCursor cursor(notifier_);
        panel_.Continue();
    });
}

void JobControl::Tnijwybran1Click() {
    Run([this] { Selected(false); });
}

void JobControl::Startodwybranej1Click() {
    Run([this] { Selected(true); });
}

void JobControl::Selected(bool fromSelected) {
    if (!LinkFreeForGui(State())) return;
    JobDrawing* drawing = host_.ActiveDrawing();
    if (!drawing || drawing->Kind() == KindBitmap || !HasFigures(*drawing)) return;
    if (drawing->SelectedFigure() < 0) {
        notifier_.Message(env_.Text(TextId::ChooseFigureFirst), MessageKind::Information, Buttons::OkCancel,
                          host_.OpenFileName());
        return;
    }
    if (ctx_.ArmLink && streamer_.Streaming()) streamer_.stop();
    const std::string speed = TravelSpeedCommand();
    layer_.SendCommand(speed);
    layer_.SendCommand(Bytes({'F', 0}));
    if (!SendWait("Q") || !SendWait("Q") || !SendWait("C")) return;
    layer_.SendCommand(speed);
    if (!fromSelected) layer_.SendCommand(Bytes({'F', 0}));

    drawing->AddOutline();
    if (!(fromSelected ? drawing->SaveFromSelected(JobFile()) : drawing->SaveSelected(JobFile()))) return;
    if (!JobFileReadyToStream(JobFile(), ctx_, env_, notifier_)) return;

    BusyCursor cursor(notifier_);
    if (!ctx_.ArmLink) {
        // The panel's timer would poll the machine between the kilobytes of the transfer.
        panel_.StopTimer();
        const int result = RunTransfer();
        if (result == 1 && layer_.MoveToPoint(0, 0, job_.StartZ)) layer_.SendCommand("G");
        panel_.StartTimer();
    } else {
        if (streamer_.Streaming()) streamer_.stop();
        if (layer_.MoveToPoint(0, 0, job_.StartZ))
            streamer_.start(JobFile());
        else
            layer_.SendCommand(Bytes({'F', 2}));
    }
}

void JobControl::WypalBMP1Click() {
    Run([this] { Burn(); });
}

void JobControl::Burn() {
    if (!LinkFreeForGui(State())) return;
    JobDrawing* drawing = host_.ActiveDrawing();
    if (!drawing || drawing->Kind() != KindBitmap || !HasFigures(*drawing) || !LinkCheck()) return;
    BurnChecked(*drawing);
}

void JobControl::BurnChecked(JobDrawing& drawing) {
    const tplotparams& pp = ctx_.PlotParams;
    const JobSettings js = JobSettingsOf(settings_);
    const double width = js.PictureWidth;
    const double height = js.PictureHeight;
    drawing.SetSizeMm(width, height);
    const double scale = js.Scale;
    if (!WorkAreaChecks(scale * width / 100, scale * height / 100, 0, 0)) return;

    layer_.SendCommand(TravelSpeedCommand());
    layer_.SendCommand(Bytes({'F', 0}));
    if (pp.Laser) job_.StartZ = -js.Thickness;
    if (ctx_.ArmLink && !layer_.MoveToPoint(0, 0, job_.StartZ)) return;
    if (!SendWait("C")) return;

    EndBurn();
    const RasterPicture* picture = drawing.Picture();
    auto burn = std::make_unique<tBMPThread>(ctx_, env_, layer_, &panel_);
    burn->SetDispatcher(dispatcher_);
    burn->Child = picture;
    job_.BmpPixelWidth = picture->Width;
    job_.BmpPixelHeight = picture->Height;
    burn->HeightMm = height;
    burn->WidthMm = width;
    burn->Pitch = js.BurnPitch;
    burn->BlackPower = js.PowerForBlack;
    burn->WhitePower = js.PowerForWhite;
    burn->OneWay = js.BurnOneWay;
    burn->IdlePower = js.LaserIdlePower;
    burn->StartZ = job_.StartZ;
    {
        BusyCursor cursor(notifier_);
        burn->PrepareLines();
    }
    const std::uint32_t work = ctx_.SpeedToTimer(RoundTo<std::int32_t>(js.WorkSpeed * pp.Multiplier, "work speed"));
    layer_.SendCommand(Bytes({'V', 1}) + IntToBytes4(work));
    layer_.SendCommand(Bytes({'T', 3, IdlePowerByte(burn->IdlePower)}));
    layer_.SendCommand(Bytes({'F', 1}));
    burn_ = std::move(burn);
    burnDrawing_ = &drawing;
    ctx_.BurnStopRequested = false;
    ctx_.BurnRunning = true;
    burn_->Start();
}

// A paused or ended burn is replaced: asked to end, woken and joined, never freed while it runs.
void JobControl::EndBurn() {
    if (!burn_) return;
    burn_->TerminateAndJoin();
    burn_.reset();
    burnDrawing_ = nullptr;
}

void JobControl::DrawingClosing(const JobDrawing* drawing) {
    if (!burn_ || burnDrawing_ != drawing) return;
    EndBurn();
    ctx_.BurnRunning = false;
    ctx_.BurnStopRequested = false;
}

void JobControl::Shutdown() {
    EndBurn();
    ctx_.BurnRunning = false;
}

}  // namespace vellisk
