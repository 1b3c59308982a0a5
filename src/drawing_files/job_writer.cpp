#include "drawing_files/job_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "drawing_files/speed_profile.h"
#include "platform/parallel_for.h"
#include "machine_link/commands.h"
#include "model/core_error.h"
#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

// A byte operand (its values are held within 0..255 by the callers).
void Put1(std::string& out, int v) { out.push_back(static_cast<char>(v & 0xFF)); }

// A power or pause byte: rounded and held within 0..255 (a power above 100 % must not wrap to
// an almost idle spindle).
int ByteValue(double v) {
    if (!std::isfinite(v)) throw CoreError::range("power value is not a finite number");
    double r = RoundHalfEven(v);
    return static_cast<int>(std::clamp(r, 0.0, 255.0));
}

}  // namespace

JobWriterSettings JobWriterSettingsOf(const Settings& settings) {
    JobWriterSettings w;
    static_cast<CutHeights&>(w) = CutHeightsOf(settings);
    w.TravelSpeed = settings.Number(setting::TravelSpeed);
    w.WorkSpeed = settings.Number(setting::WorkSpeed);
    w.PolishSpeed = settings.Number(setting::PolishSpeed);
    w.WorkPower = settings.Number(setting::WorkPower);
    w.PolishPower = settings.Number(setting::PolishPower);
    w.LaserSoftStart = settings.Flag(setting::LaserSoftStart);
    w.LaserIdlePower = settings.Number(setting::LaserIdlePower);
    w.SpinUpTime = settings.Number(setting::SpinUpTime);
    w.FlyingStart = settings.Flag(setting::FlyingStart);
    w.LaserPulseTime = settings.Number(setting::LaserPulseTime);
    w.AboveMaterial = settings.Number(setting::AboveMaterial);
    w.Scale = settings.Number(setting::Scale);
    w.Smoothing = settings.Flag(setting::Smoothing);
    w.DrillFeed = settings.Number(setting::DrillFeed);
    w.DrillRetract = settings.Number(setting::DrillRetract);
    w.DrillPeck = settings.Number(setting::DrillPeck);
    w.OilWhileCutting = settings.Flag(setting::OilWhileCutting);
    w.OilWhileTravelling = settings.Flag(setting::OilWhileTravelling);
    w.OilWhileDrilling = settings.Flag(setting::OilWhileDrilling);
    w.OilBeforeDrilling = settings.Flag(setting::OilBeforeDrilling);
    w.AllInOneFigure = settings.Flag(setting::AllInOneFigure);
    return w;
}

JobWriter::JobWriter(JobSink& sink, const JobMachine& machine, const Settings& settings)
    : sink_(sink), m_(machine), source_(settings) {
    cmd_.reserve(64);
}

void JobWriter::HandOver() {
    if (out_.empty()) return;
    // Cleared first: a sink that fails has the bytes already or drops the job.
    std::string bytes;
    bytes.swap(out_);
    out_.reserve(bytes.capacity());
    handedOver_ += bytes.size();
    sink_.Write(bytes);
}

// Runs one public call's writing and hands its commands to the sink, also those written before
// a failure (the sink sees what it saw when every command went to it at once).
template <typename F>
void JobWriter::Writing(F&& write) {
    try {
        write();
    } catch (...) {
        try {
            HandOver();
        } catch (...) {}
        throw;
    }
    HandOver();
}

std::int32_t JobWriter::TravelFactor() const {
    if (m_.Multiplier < 0 || m_.Multiplier > 255)
        throw CoreError::range("speed multiplier out of range: " + std::to_string(m_.Multiplier));
    return m_.Multiplier;
}

std::string JobWriter::EncodeMoveTo(std::int32_t k, std::uint16_t s, double X, double Y, double Z) {
    std::string out;
    AppendMoveTo(out, k, s, X, Y, Z);
    return out;
}

bool JobWriter::AppendMoveTo(std::string& out, std::int32_t k, std::uint16_t s, double X, double Y, double Z) {
    const double target[3] = {X * m_.StepsX * 100.0, Y * m_.StepsY * 100.0, Z * m_.StepsZ * 100.0};
    const std::int32_t current[3] = {position_.X, position_.Y, position_.Z};
    std::int32_t d[3];
    for (int i = 0; i < 3; ++i) {
        std::int64_t steps = RoundTo<std::int64_t>(target[i], "move target");
        d[i] = CheckedCast<std::int32_t>(steps - current[i], "move length in steps");
    }
    // The encoder refuses a move too long for the controller's 3-byte fields.
    const std::size_t at = out.size();
    const bool moved = AppendMoveCommand(out, k, d[0], d[1], d[2], false, m_.ArmController, s) > 0;
    if (moved) {
        out[at] = 'a';  // job files carry the command letters in lower case
        position_.X = CheckedAdd(position_.X, d[0], "stream position");
        position_.Y = CheckedAdd(position_.Y, d[1], "stream position");
        position_.Z = CheckedAdd(position_.Z, d[2], "stream position");
    }
    Extend(position_);
    return moved;
}

void JobWriter::Extend(const TIntPoint3D& steps) {
    double mx = steps.X / m_.StepsX / 100.0;
    double my = steps.Y / m_.StepsY / 100.0;
    extents_.Max.X = std::max(extents_.Max.X, mx);
    extents_.Min.X = std::min(extents_.Min.X, mx);
    extents_.Max.Y = std::max(extents_.Max.Y, my);
    extents_.Min.Y = std::min(extents_.Min.Y, my);
    if (m_.StepsZ != 0.0) {
        double mz = steps.Z / m_.StepsZ / 100.0;
        extents_.Max.Z = std::max(extents_.Max.Z, mz);
        extents_.Min.Z = std::min(extents_.Min.Z, mz);
    }
}

void JobWriter::Move(std::int32_t k, std::uint16_t s, double X, double Y, double Z) {
    if (markFirstMove_) {
        firstMoveAt_ = handedOver_ + out_.size();
        markFirstMove_ = false;
    }
    AppendMoveTo(out_, k, s, X, Y, Z);
}

// ---- command builders -------------------------------------------------------------------

void JobWriter::AppendSpeed(std::string& out, int set, double feed, bool zFeed) const {
    double f = feed * TravelFactor();
    if (zFeed && !m_.ArmController) f *= m_.StepsZ;
    std::uint32_t timer = m_.SpeedToTimer(RoundTo<std::int32_t>(f, "feed"));
    out.push_back('v');
    Put1(out, set);
    if (m_.ArmController) {
        out += IntToBytes4(timer);
    } else {
        if (timer > 65535) throw CoreError::range("speed value too large for the controller: " + std::to_string(timer));
        out += IntToBytes2(static_cast<std::int32_t>(timer));
    }
}

void JobWriter::AppendPower(std::string& out, int output, double value) {
    out.push_back('t');
    Put1(out, output);
    Put1(out, ByteValue(value));
}

void JobWriter::AppendPause(std::string& out, int ms) {
    out.push_back('p');
    Put1(out, ms);
}

void JobWriter::AppendOutputs(std::string& out, int state, int output) {
    out.push_back('r');
    Put1(out, state);
    Put1(out, output);
}

void JobWriter::AppendMode(std::string& out, int set) {
    out.push_back('f');
    Put1(out, set);
}

void JobWriter::AppendSmoothing(std::string& out, int on) {
    out.push_back('s');
    Put1(out, on);
}

void JobWriter::AppendSpeedIndex(std::string& out, std::uint16_t value) {
    out.push_back('l');
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void JobWriter::AppendLubrication(std::string& out, bool on) const {
    if (m_.ModelCode == "NKV" || m_.ModelCode == "NZV") AppendOutputs(out, on ? 0 : 1, 0xC0);
}

void JobWriter::Pause(int ms) { AppendPause(out_, ms); }
void JobWriter::Mode(int set) { AppendMode(out_, set); }
void JobWriter::Outputs(int state, int output) { AppendOutputs(out_, state, output); }
void JobWriter::Speed(int set, double feed, bool zFeed) {
    // Built aside: a speed the controller cannot take is refused half-way through the command.
    cmd_.clear();
    AppendSpeed(cmd_, set, feed, zFeed);
    Emit(cmd_);
}
void JobWriter::Packet(std::string_view text) { Emit(PadPacket(text)); }
void JobWriter::Lubrication(bool on) { AppendLubrication(out_, on); }

// ---- header, layer settings, trailer ------------------------------------------------------

void JobWriter::OpenOutput(int fileKind, int outputKind) {
    Writing([&] {
        fileKind_ = fileKind;
        outputKind_ = outputKind;
        currentPen_ = 0;
        settings_ = JobWriterSettingsOf(source_);
        const JobWriterSettings& s = settings_;
        if (IsStream()) {
            std::string h;
            if (m_.ArmLink && !m_.ArmController) AppendSmoothing(h, 0);
            AppendSpeed(h, 0, s.TravelSpeed, false);
            AppendSpeed(h, 1, s.WorkSpeed, false);
            AppendSpeed(h, 3, s.PolishSpeed, false);
            const double P = outputKind == OutputStream ? s.WorkPower : m_.GcodePower;
            if (!m_.ArmLink) {
                AppendPower(h, 1, m_.SpindleScale * P * 255.0 / 100.0);
                AppendPower(h, 3, s.PolishPower * m_.SpindleScale * 255.0 / 100.0);
            } else if (m_.Laser) {
                AppendPower(h, 1, m_.SpindleScale * P * 255.0 / 100.0);
                if (s.LaserSoftStart) AppendPower(h, 3, s.LaserIdlePower * 255.0 / 100.0);
            } else {
                AppendPause(h, 200);
                AppendPower(h, 3, s.PolishPower * m_.SpindleScale / 100.0);
                AppendPause(h, 200);
                AppendPower(h, 1, m_.SpindleScale * P / 100.0);
                AppendPause(h, 200);
            }
            if (!m_.Laser) AppendOutputs(h, 1, 1);
            AppendPause(h, 250);
            if (!m_.Laser) {
                AppendOutputs(h, 1, 1);
                // The spindle's start-up delay, in pauses of at most 255 ms.
                std::int64_t d = RoundTo<std::int64_t>(s.SpinUpTime * 1000.0, "start-up delay");
                while (d > 255) {
                    AppendPause(h, 255);
                    d -= 255;
                }
                if (d > 0) AppendPause(h, static_cast<int>(d));
            }
            AppendPause(h, 200);
            Emit(h);
        }
        position_ = {};
        streamStartZ_ = outputKind == OutputGcodeStream ? m_.JobStartZ : SafeZ();
        position_.Z = RoundTo<std::int32_t>(m_.StepsZ * streamStartZ_ * 100.0, "start height in steps");
        extents_.Reset();
    });
}

void JobWriter::WriteLayerSettings(double speed, double power, double rest) {
    Writing([&] {
        if (!IsStream()) return;
        std::string c;
        std::uint32_t timer = m_.SpeedToTimer(RoundTo<std::int32_t>(speed * TravelFactor(), "layer speed"));
        c.push_back('v');
        Put1(c, 1);
        c += IntToBytes4(timer);
        AppendPower(c, 1, m_.SpindleScale * power * 255.0 / 100.0);
        if (rest > 0) AppendPower(c, 3, rest * 255.0 / 100.0);
        Emit(c);
    });
}

void JobWriter::CloseOutput() {
    Writing([&] { WriteTrailer(); });
    sink_.Commit();
}

void JobWriter::WriteTrailer() {
    if (IsStream()) {
        Pause(10);
        if (m_.Laser) Packet("sLC");
        Outputs(0, 2);
        Move(TravelFactor(), kNoSpeedLimit, 0.0, 0.0, streamStartZ_);
        std::string t;
        if (m_.ArmLink && !m_.ArmController) AppendSmoothing(t, 0);
        AppendLubrication(t, false);
        AppendPause(t, 1);
        AppendMode(t, 2);
        Emit(t);
        if (m_.ArmController) Packet("SE");
    }
}

// Each kind of figure is written in job_writer_figures.cpp.
void JobWriter::WriteFigure(tfigura& figure) {
    Writing([&] {
        switch (outputKind_) {
            case OutputStream: WriteStreamFigure(figure); break;
            case OutputGcodeStream: WriteGcodeFigure(figure); break;
            case OutputHpgl: WriteHpglFigure(figure); break;
            default: break;
        }
    });
}


// ---- the figures of a large job on every core -----------------------------------------------
//
// A figure's commands depend on the figures before it only through its first move, the travel
// to its start: every later move goes to a place of its own and leaves the stream position
// there (a move either reaches its target or the job fails). So each figure of a batch is
// written by a part writer that stands at that first move's target already (the move then adds
// nothing), on any core; in figure order, the first move is then written from the real stream
// position and the rest follows as it was made. A figure whose making failed is written again
// in its turn the plain way, which fails as it would have.

struct JobWriter::FigureCommands {
    bool written = false;          // the figure has commands (a path of two points or more)
    const std::string* room = nullptr;  // holds its commands without the first move,
    std::size_t at = 0, size = 0;       // from `at` on, `size` bytes
    std::size_t firstMoveAt = 0;   // where in them the first move goes
    double X0 = 0, Y0 = 0, Z0 = 0;  // the first move's target, mm
    std::int32_t k = 0;            // its step-count factor
    TIntPoint3D end;               // the stream position after the figure
    JobExtents extents;            // the extents of its moves
    std::exception_ptr error;      // the making failed
};

JobWriter::JobWriter(JobSink& sink, const JobWriter& whole)
    : sink_(sink),
      m_(whole.m_),
      source_(whole.source_),
      settings_(whole.settings_),
      fileKind_(whole.fileKind_),
      outputKind_(whole.outputKind_),
      streamStartZ_(whole.streamStartZ_) {}

void JobWriter::MakeFigureCommands(tfigura& f, FigureCommands& made, std::string& room) {
    try {
        if (f.ToolPath3D.size() < 2) return;
        const tpunkt& p0 = f.ToolPath3D[0];
        made.X0 = MachineX(f, p0.X);
        made.Y0 = MachineY(f, p0.Y);
        made.Z0 = SafeZ();
        made.k = TravelFactor();
        const double target[3] = {made.X0 * m_.StepsX * 100.0, made.Y0 * m_.StepsY * 100.0,
                                  made.Z0 * m_.StepsZ * 100.0};
        std::int32_t at[3];
        for (int i = 0; i < 3; ++i)
            at[i] = CheckedCast<std::int32_t>(RoundTo<std::int64_t>(target[i], "move target"), "stream position");
        position_ = {at[0], at[1], at[2]};
        extents_.Reset();
        out_.clear();
        handedOver_ = 0;
        static_cast<MemoryJobSink&>(sink_).data.clear();
        markFirstMove_ = true;
        WriteStreamFigure(f);
        if (markFirstMove_) throw CoreError::range("figure written without its first move");
        const std::string& handed = static_cast<MemoryJobSink&>(sink_).data;
        made.room = &room;
        made.at = room.size();
        made.size = handed.size() + out_.size();
        room += handed;
        room += out_;
        made.firstMoveAt = firstMoveAt_;
        made.end = position_;
        made.extents = extents_;
        made.written = true;
    } catch (...) {
        made.error = std::current_exception();
    }
}

void JobWriter::JoinFigureCommands(std::size_t k, FigureCommands& made, const IndexLender& lend) {
    if (made.error) {
        lend(k, [&](tfigura& g) { WriteStreamFigure(g); });
        return;
    }
    if (!made.written) return;
    const std::string_view bytes(made.room->data() + made.at, made.size);
    out_.append(bytes.substr(0, made.firstMoveAt));
    AppendMoveTo(out_, made.k, kNoSpeedLimit, made.X0, made.Y0, made.Z0);
    out_.append(bytes.substr(made.firstMoveAt));
    position_ = made.end;
    extents_.Take(made.extents);
}

void JobWriter::WriteFigures(std::size_t total, const IndexLender& lend) {
    constexpr std::size_t kFewest = 64;    // fewer figures are written one after the other
    constexpr std::size_t kBatch = 512;    // figures whose commands are made at once
    constexpr std::size_t kPiece = 16;     // figures a thread takes at a time
    constexpr std::size_t kRoomKept = 1 << 20;  // bytes of a piece's commands kept for the next batch
    // A zero travel factor leaves the travel moves unwritten and the stream where it was: every
    // figure then depends on the one before.
    if (outputKind_ != OutputStream || total < kFewest || ParallelThreads() < 2 || m_.Multiplier <= 0) {
        for (std::size_t k = 0; k < total; ++k) lend(k, [&](tfigura& g) { WriteFigure(g); });
        return;
    }
    // Two batches are held: while the commands of one are made, figure by figure on every
    // core, the batch made before is joined into the job in cutting order by one thread. Each
    // piece of a batch writes its figures' commands one after the other into a room of its own,
    // kept from batch to batch.
    struct Batch {
        std::vector<FigureCommands> made;
        std::vector<std::string> rooms;
    } batches[2];
    Writing([&] {
        ParallelBatches(
            total, kBatch, kPiece,
            [&](std::size_t n, std::size_t, std::size_t size) {
                Batch& batch = batches[n % 2];
                batch.made.assign(size, FigureCommands{});
                batch.rooms.resize((size + kPiece - 1) / kPiece);
            },
            [&](std::size_t n, std::size_t piece, std::size_t begin, std::size_t end) {
                Batch& batch = batches[n % 2];
                std::string& room = batch.rooms[piece];
                room.clear();
                MemoryJobSink partSink;
                JobWriter part(partSink, *this);
                for (std::size_t i = begin; i < end; ++i) {
                    FigureCommands& made = batch.made[i - n * kBatch];
                    try {
                        lend(i, [&](tfigura& g) { part.MakeFigureCommands(g, made, room); });
                    } catch (...) {
                        made.error = std::current_exception();
                    }
                }
            },
            [&](std::size_t n, std::size_t first, std::size_t size) {
                Batch& batch = batches[n % 2];
                for (std::size_t k = 0; k < size; ++k) {
                    JoinFigureCommands(first + k, batch.made[k], lend);
                    HandOverSome();
                }
                batch.made.clear();
                // The room of a very long figure is given back.
                for (std::string& room : batch.rooms)
                    if (room.capacity() > kRoomKept) std::string().swap(room);
            });
    });
}

}  // namespace vellisk
