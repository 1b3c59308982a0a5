// The command layer's readers and setters of the machine state: the status record, the position,
// the base point, the tool, the speed sets, the spindle and the machine's identity, each as the
// link in force carries it.
#include <algorithm>
#include <limits>

#include "machine_link/command_layer.h"
#include "machine_link/commands.h"
#include "machine_link/lpt_transport.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

using namespace std::chrono_literals;

std::int32_t Saturate32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::uint16_t SpindleOf(double raw, double scale) {
    if (!(scale > 0)) scale = 1.0;
    const double v = RoundHalfEven(raw / scale);
    return static_cast<std::uint16_t>(std::clamp(v, 0.0, 65535.0));
}

double PerSteps(std::int32_t steps, double stepsPerUnit) { return stepsPerUnit == 0 ? 0.0 : steps / stepsPerUnit; }

}  // namespace

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        if (offset + i < b.size()) v |= static_cast<std::uint32_t>(b[offset + i]) << (8 * i);
    return v;
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t offset) {
    std::uint16_t v = 0;
    for (int i = 0; i < 2; ++i)
        if (offset + i < b.size()) v = static_cast<std::uint16_t>(v | (b[offset + i] << (8 * i)));
    return v;
}

void KeepMachineKeys(MachineContext& ctx) {
    const auto keys = static_cast<std::uint8_t>((ctx.PlotState.RawStatus >> 8) & kMachineKeyBits);
    if (keys) ctx.PendingMachineKeys.fetch_or(keys);
}

bool ApplyStatusRecord(MachineContext& ctx, std::span<const std::uint8_t> r) {
    if (r.size() < kStatusRecordMinSize) return false;
    tplotstate& s = ctx.PlotState;
    const tplotparams& p = ctx.PlotParams;
    auto i32 = [&](std::size_t off) { return static_cast<std::int32_t>(Le32(r, off)); };
    s.OutputByte = r[3];
    s.RawStatus = i32(4);
    s.Status = static_cast<std::uint16_t>(s.RawStatus & 0xFF);
    KeepMachineKeys(ctx);
    s.StepX = i32(8);
    s.StepY = i32(12);
    s.StepZ = i32(16);
    s.BaseX = PerSteps(i32(24), p.StepsX);
    s.BaseY = PerSteps(i32(28), p.StepsY);
    s.BaseZ = PerSteps(i32(32), p.StepsZ);
    ctx.WorkAreaX = i32(40);
    ctx.WorkAreaY = i32(44);
    ctx.WorkAreaZ = i32(48);
    s.RunMinutes = i32(52);
    s.FileCount = i32(56);
    s.SpeedSet = r[62];
    for (int k = 0; k < 4; ++k) s.SetSpeeds[k] = Saturate32(static_cast<std::int64_t>(i32(64 + 4 * k)) * p.Multiplier);
    s.ExtraSpeed =
        static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(i32(80)) * p.Multiplier, 65535));
    s.OutputIndex = std::min<std::uint8_t>(r[90], 5);
    s.SpindleValue = SpindleOf(Le16(r, 92 + 2 * s.OutputIndex), ctx.SpindleScale);
    s.PosX = PerSteps(s.StepX, p.StepsX);
    s.PosY = PerSteps(s.StepY, p.StepsY);
    s.PosZ = PerSteps(s.StepZ, p.StepsZ);
    return true;
}

void CommandLayer::ReadPosition() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (t.Kind() == LinkKind::ParallelPort) {
        std::uint8_t b[9];
        if (LptExchange("E", b, 9)) {
            s.StepX = Int24FromBytes(b[0], b[1], b[2]);
            s.StepY = Int24FromBytes(b[3], b[4], b[5]);
            s.StepZ = Int24FromBytes(b[6], b[7], b[8]);
        }
    } else if (t.Kind() == LinkKind::Usb) {
        UsbStateString str;
        ReadUsbString(10, str);
        s.StepX = static_cast<std::int32_t>(Le32(str, 6));
        s.StepY = static_cast<std::int32_t>(Le32(str, 10));
        s.StepZ = static_cast<std::int32_t>(Le32(str, 14));
    }
    s.PosX = PerSteps(s.StepX, p.StepsX);
    s.PosY = PerSteps(s.StepY, p.StepsY);
    s.PosZ = PerSteps(s.StepZ, p.StepsZ);
}

void CommandLayer::ReadBase() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (t.Kind() == LinkKind::Usb) {
        UsbStateString str;
        ReadUsbString(11, str);
        s.BaseX = PerSteps(static_cast<std::int32_t>(Le32(str, 2)), p.StepsX);
        s.BaseY = PerSteps(static_cast<std::int32_t>(Le32(str, 6)), p.StepsY);
        s.BaseZ = PerSteps(static_cast<std::int32_t>(Le32(str, 10)), p.StepsZ);
    } else if (t.Kind() == LinkKind::ParallelPort) {
        // On this link the base point is a whole number of 0.01 mm.
        std::uint8_t b[6];
        if (!LptExchange("Z", b, 6)) return;
        s.BaseX = RoundHalfEven(PerSteps(Int24FromBytes(b[0], b[1], b[2]), p.StepsX));
        s.BaseY = RoundHalfEven(PerSteps(Int24FromBytes(b[3], b[4], b[5]), p.StepsY));
        if (!LptExchange("O", b, 3)) return;
        s.BaseZ = RoundHalfEven(PerSteps(Int24FromBytes(b[0], b[1], b[2]), p.StepsZ));
    }
}

void CommandLayer::SendBaseXY() {
    const tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    const std::int32_t x = RoundTo<std::int32_t>(s.BaseX * p.StepsX, "base point X");
    const std::int32_t y = RoundTo<std::int32_t>(s.BaseY * p.StepsY, "base point Y");
    if (ctx_.ArmLink)
        SendCommand("U" + IntToBytes4(x) + IntToBytes4(y));
    else
        SendCommand("U" + IntToBytes3(x) + IntToBytes3(y));
    clock_.Sleep(10ms);
}

void CommandLayer::SendBaseZ() {
    const std::int32_t z = RoundTo<std::int32_t>(ctx_.PlotState.BaseZ * ctx_.PlotParams.StepsZ, "base point Z");
    SendCommand("N" + (ctx_.ArmLink ? IntToBytes4(z) : IntToBytes3(z)));
}

void CommandLayer::ReadToolState() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    if (t.Kind() == LinkKind::Usb) {
        UsbStateString str;
        ReadUsbString(13, str);
        s.OutputIndex = std::min<std::uint8_t>(str[0], 5);
        s.SpindleValue = SpindleOf(Le16(str, 2 + 2 * s.OutputIndex), ctx_.SpindleScale);
    } else if (t.Kind() == LinkKind::ParallelPort) {
        std::uint8_t b[2];
        if (!LptExchange("J", b, 2)) return;
        s.OutputIndex = b[0];
        s.SpindleValue = SpindleOf(b[1], ctx_.SpindleScale);
    }
}

void CommandLayer::ReadSpeeds() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    const std::int64_t M = p.Multiplier;
    const double S = p.StepsX;
    if (t.Kind() == LinkKind::ParallelPort) {
        // Every reply starts with the controller's current speed set.
        auto ask = [&](int index, std::int32_t& value) {
            std::uint8_t b[3];
            if (!LptExchange(Bytes({'I', index}), b, 3)) return false;
            s.SpeedSet = b[0];
            value = b[1] | (b[2] << 8);
            return true;
        };
        std::int32_t v = 0;
        const bool setThreePlain = !s.Model.empty() && s.Model[0] == 'T';
        if (ask(1, v)) s.SetSpeeds[1] = Saturate32(v * M);
        if (ask(0, v)) s.SetSpeeds[0] = Saturate32(v * M);
        if (ask(2, v)) s.SetSpeeds[2] = v;
        if (ask(3, v)) s.SetSpeeds[3] = setThreePlain ? v : Saturate32(v * M);
        if (ask(255, v)) s.ExtraSpeed = v;
    } else if (t.Kind() == LinkKind::Usb) {
        UsbStateString str;
        ReadUsbString(12, str);
        s.SpeedSet = str[0];
        if (p.ArmController) {
            for (int k = 0; k < 4; ++k)
                s.SetSpeeds[k] = Saturate32(static_cast<std::int32_t>(Le32(str, 2 + 4 * k)) * M);
            s.ExtraSpeed =
                static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int32_t>(Le32(str, 18)) * M, 65535));
        } else {
            auto scaled = [&](std::size_t off, bool withM) {
                return RoundTo<std::int32_t>(Le16(str, off) * (withM ? static_cast<double>(M) : 1.0) * S, "speed");
            };
            s.SetSpeeds[0] = scaled(2, true);
            s.SetSpeeds[1] = scaled(4, true);
            s.SetSpeeds[2] = scaled(6, false);
            s.SetSpeeds[3] = scaled(8, true);
            s.ExtraSpeed = scaled(12, true);
        }
    }
    if (s.SpeedSet <= 3) s.Speed = s.SetSpeeds[s.SpeedSet];
}

void CommandLayer::SetSpeed(std::int32_t speed) {
    // The speed set in force comes with the status; without an answer the last one known is used.
    (void)ReadStatus();
    const tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (s.SpeedSet > 3) return;
    const std::string head = Bytes({'V', s.SpeedSet});
    if (p.ArmController) {
        SendCommand(head + IntToBytes4(static_cast<std::int32_t>(speed / std::max(1, p.Multiplier))));
    } else {
        if (p.StepsX == 0) throw CoreError(CoreError::Kind::Range, "speed: no steps per 0.01 mm");
        const std::int32_t sv = RoundTo<std::int32_t>(speed / p.StepsX, "speed");
        const std::int32_t v = s.SpeedSet == 2 ? sv : sv / std::max(1, p.Multiplier);
        if (v < 0 || v > 65535) throw CoreError(CoreError::Kind::Range, "speed out of range: " + std::to_string(v));
        SendCommand(head + IntToBytes2(v));
    }
    ReadSpeeds();
}

void CommandLayer::ToggleSpindle() {
    const bool on = (ctx_.PlotState.Status & kStatusSpindleOn) != 0;
    // The PRV model switches its spindle with packets; the others with "R".
    if (ctx_.ModelCode == "PRV") {
        SendCommand(PadPacket(on ? "SLC" : "SLS"));
    } else if (on) {
        SendCommand(Bytes({'R', 0, ctx_.PlotState.OutputIndex}));
    } else {
        SendCommand(Bytes({'R', 1, 2}));
    }
}

void CommandLayer::SendSpindleValue() {
    tplotstate& s = ctx_.PlotState;
    if (ctx_.PlotParams.Laser && s.SpindleValue >= 256) s.SpindleValue = 255;
    if (s.OutputIndex > 3) return;
    // The command carries one byte; a larger value is sent as the largest one.
    const int value = std::min<int>(s.SpindleValue, 255);
    SendCommand(Bytes({'T', s.OutputIndex, value}));
}

void CommandLayer::StopMotion() { SendCommand("Y"); }

bool CommandLayer::ReadIdentity(Transport& t) {
    LinkIdentity id;
    std::unique_lock<std::mutex> exchange(linkMutex_);
    if (!t.ReadIdentity(id)) return false;
    tplotstate& s = ctx_.PlotState;
    s.Producer = id.Producer;
    s.Model = id.Model;
    s.ProductionDate = id.ProductionDate;
    return true;
}

bool CommandLayer::ReadMachineInfo() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    bool named = false;
    switch (t.Kind()) {
        case LinkKind::Ethernet: named = ReadIdentity(t); break;
        case LinkKind::Usb: {
            UsbStateString str;
            if (ReadUsbString(14, str) && t.MachinePresent()) {
                named = ReadIdentity(t);
                ctx_.WorkAreaX = static_cast<std::int32_t>(Le32(str, 2));
                ctx_.WorkAreaY = static_cast<std::int32_t>(Le32(str, 6));
                ctx_.WorkAreaZ = static_cast<std::int32_t>(Le32(str, 10));
                s.RunMinutes = static_cast<std::int32_t>(Le32(str, 14));
                s.FileCount = static_cast<std::int32_t>(Le32(str, 18));
            }
            if (ReadUsbString(15, str)) {
                if (str[3] == 'v')
                    ctx_.FirmwareVersion = 100 * (str[7] - '0') + 10 * (str[9] - '0') + (str[10] - '0');
                else
                    ctx_.FirmwareVersion = 300;
            }
            break;
        }
        case LinkKind::ParallelPort: {
            std::uint8_t b[8];
            auto text = [&](int which, std::string& out) {
                if (!LptExchange(Bytes({'H', which}), b, 8)) return false;
                out.assign(reinterpret_cast<const char*>(b), 8);
                return true;
            };
            if (!text(0, s.Producer) || !text(1, s.Model) || !text(2, s.ProductionDate)) return false;
            named = true;
            if (!LptExchange(Bytes({'H', 4}), b, 5)) return named;
            s.RunMinutes = Int24FromBytes(b[0], b[1], b[2]);
            s.FileCount = b[3] | (b[4] << 8);
            if (!LptExchange(Bytes({'H', 3}), b, 6)) return named;
            ctx_.WorkAreaX = b[0] | (b[1] << 8);
            ctx_.WorkAreaY = b[2] | (b[3] << 8);
            ctx_.WorkAreaZ = b[4] | (b[5] << 8);
            break;
        }
    }
    return named;
}

void CommandLayer::ShowFileWorkStatus() {
    const auto st = ctx_.PlotState.Status;
    if (st & kStatusRunningFromMemory)
        notifier_.Message(env_.Text(TextId::PlotterWorkingFromFile), MessageKind::Error);
    else if ((st & kStatusJobStored) == 0)
        notifier_.Message(env_.Text(TextId::NoFileToWork), MessageKind::Error);
}

}  // namespace vellisk
