#include "model/layers.h"

#include <cstdlib>
#include <limits>

#include "model/core_error.h"
#include "model/numeric.h"

namespace vellisk {

const std::array<std::int32_t, 9> PenColors = {
    0x000000,  // unused
    0x000000,  // 1 black
    0xFF0000,  // 2 blue
    0x0000FF,  // 3 red
    0x008000,  // 4 green
    0x800080,  // 5 purple
    0x00FFFF,  // 6 yellow
    0x800000,  // 7 navy
    0x000080,  // 8 maroon
};

namespace {

using Rgb = std::array<std::uint8_t, 3>;

// Colours 10..249 come in 24 hues 15 degrees apart, ten shades each: five brightnesses, each in a
// full and a pale form.
constexpr std::array<Rgb, 256> BuildAciPalette() {
    std::array<Rgb, 256> p{};
    p[0] = {0, 0, 0};
    p[1] = {255, 0, 0};
    p[2] = {255, 255, 0};
    p[3] = {0, 255, 0};
    p[4] = {0, 255, 255};
    p[5] = {0, 0, 255};
    p[6] = {255, 0, 255};
    p[7] = {255, 255, 255};
    p[8] = {65, 65, 65};
    p[9] = {128, 128, 128};
    constexpr int bright[5] = {255, 189, 129, 104, 79};
    for (int i = 10; i < 250; ++i) {
        const int hue = (i / 10 - 1) * 15;
        const int segment = hue / 60;
        const int k = (hue % 60) / 15;  // rising fraction k / 4 within the segment
        int q[3] = {0, 0, 0};           // channels in quarters of the full brightness
        switch (segment) {
            case 0:
                q[0] = 4;
                q[1] = k;
                q[2] = 0;
                break;
            case 1:
                q[0] = 4 - k;
                q[1] = 4;
                q[2] = 0;
                break;
            case 2:
                q[0] = 0;
                q[1] = 4;
                q[2] = k;
                break;
            case 3:
                q[0] = 0;
                q[1] = 4 - k;
                q[2] = 4;
                break;
            case 4:
                q[0] = k;
                q[1] = 0;
                q[2] = 4;
                break;
            default:
                q[0] = 4;
                q[1] = 0;
                q[2] = 4 - k;
                break;
        }
        const int v = bright[(i % 10) / 2];
        const bool pale = (i % 2) == 1;
        const int lo = pale ? (2 * v + 1) / 3 : 0;
        for (int c = 0; c < 3; ++c) p[i][c] = static_cast<std::uint8_t>(lo + (v - lo) * q[c] / 4);
    }
    constexpr int grey[6] = {51, 80, 105, 130, 190, 255};
    for (int i = 0; i < 6; ++i) {
        const auto g = static_cast<std::uint8_t>(grey[i]);
        p[250 + i] = {g, g, g};
    }
    return p;
}

}  // namespace

const std::array<std::array<std::uint8_t, 3>, 256> AciPalette = BuildAciPalette();

std::int32_t MakeRgb(std::int32_t r, std::int32_t g, std::int32_t b) {
    return CheckedAdd(CheckedAdd(r, CheckedMul(g, 256, "colour"), "colour"), CheckedMul(b, 65536, "colour"), "colour");
}

void SplitRgb(std::int32_t colour, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
    if (colour < 0 || colour > 0xFFFFFF) throw CoreError::range("colour value " + std::to_string(colour));
    b = static_cast<std::uint8_t>(colour / 65536);
    g = static_cast<std::uint8_t>((colour % 65536) / 256);
    r = static_cast<std::uint8_t>(colour % 256);
}

std::int32_t HpglPenColor(std::int32_t pen) {
    if (pen <= 0) return PenColors[1];
    return PenColors[static_cast<std::size_t>((pen - 1) % 8 + 1)];
}

std::int32_t AciToColor(std::int32_t index) {
    if (index < 0 || index > 255) index = 0;
    const auto& c = AciPalette[static_cast<std::size_t>(index)];
    return MakeRgb(c[0], c[1], c[2]);
}

std::int32_t ColorOfIndex(std::int32_t index, int kind) {
    switch (kind) {
        case KindHpgl: return HpglPenColor(index);
        case KindDxf: return AciToColor(index);
        default: return 0;
    }
}

std::int32_t tWarstwy::SlotOf(std::int32_t n) {
    if (n < 0) n = n == std::numeric_limits<std::int32_t>::min() ? kSlots - 1 : -n;
    return n >= kSlots ? kSlots - 1 : n;
}

tWarstwy::tWarstwy(std::span<tfigura* const> figures, int kind, double value, std::int32_t speed, bool laser) {
    for (const tfigura* f : figures) {
        const std::int32_t n = f->Layer;
        LayerSlot& s = slot(n);
        s.Number = SlotOf(n);
        s.Used = true;
        if (kind != KindHpgl || laser) {
            s.Value = value;
            s.Speed = speed;
        } else {
            s.Value = f->Value;
            s.Speed = f->Speed;
        }
        s.Colour = ColorOfIndex(n, kind);
        s.Active = true;
    }
}

void tWarstwy::SetLayer(std::int32_t n, const TLayerRecord& record) {
    LayerSlot& s = slot(n);
    s.Value = record.Value;
    s.Speed = record.Speed;
    s.Active = record.Active != 0;
}

std::vector<TLayerRecord> tWarstwy::GetLayerList() const {
    std::vector<TLayerRecord> list;
    for (const LayerSlot& s : slots_) {
        if (!s.Used) continue;
        TLayerRecord r;
        r.Number = s.Number;
        r.Used = 0;
        r.Colour = s.Colour;
        r.Value = s.Value;
        r.Speed = s.Speed;
        r.Active = s.Active ? 1 : 0;
        list.push_back(r);
    }
    return list;
}

std::int32_t tWarstwy::LayerCount() const {
    std::int32_t n = 0;
    for (const LayerSlot& s : slots_) n += s.Used ? 1 : 0;
    return n;
}

void tWarstwy::AddDefaultLayer(int kind) {
    const std::int32_t n = kind == KindDxf ? 0 : 1;
    LayerSlot& s = slot(n);
    if (s.Used) return;
    s.Number = n;
    s.Used = true;
    s.Colour = ColorOfIndex(n, kind);
    s.Value = 0.0;
    s.Speed = 0;
    s.Active = true;
}

}  // namespace vellisk
