#pragma once
// The layer table of a layer project: one slot per layer number (HPGL pen, DXF colour) with its
// screen colour, its value (milling depth in mm, or laser power in percent), its speed in mm/min
// and whether it is cut; and the colour tables that turn a pen or colour number into a screen
// colour. Colours are Windows colour values: red + green * 256 + blue * 65536.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/figure.h"

namespace vellisk {

// Screen colours of HPGL pens 1..8 (index 0 unused).
extern const std::array<std::int32_t, 9> PenColors;
// The AutoCAD Color Index screen palette: red, green, blue of colours 0..255.
extern const std::array<std::array<std::uint8_t, 3>, 256> AciPalette;

std::int32_t MakeRgb(std::int32_t r, std::int32_t g, std::int32_t b);
void SplitRgb(std::int32_t colour, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b);
// Pens 9..16 repeat pens 1..8 and so on; pen 0 (drawn before any pen was chosen) and negative
// numbers are drawn black like pen 1.
std::int32_t HpglPenColor(std::int32_t pen);
// A colour number outside 0..255 is taken as 0 (black).
std::int32_t AciToColor(std::int32_t index);
// HPGL: pen colour; DXF: ACI colour; any other kind black.
std::int32_t ColorOfIndex(std::int32_t index, int kind);

// The exchange record of the layers dialog.
struct TLayerRecord {
    std::int32_t Number = 0;
    std::uint8_t Used = 0;  // always 0 in a list made by GetLayerList
    std::int32_t Colour = 0;
    double Value = 0.0;
    std::int32_t Speed = 0;
    std::uint8_t Active = 0;
};
static_assert(sizeof(TLayerRecord) == 32);

struct LayerSlot {
    std::int32_t Number = 0;
    bool Used = false;
    std::int32_t Colour = 0;
    double Value = 0.0;
    std::int32_t Speed = 0;
    bool Active = false;
};

class tWarstwy {
public:
    static constexpr std::int32_t kSlots = 1025;

    // A new table: every slot zero.
    tWarstwy() = default;
    // A table of the layers that occur among `figures`. In an HPGL project on a milling machine
    // each layer takes value and speed from its figures (the last figure of a layer decides);
    // otherwise every layer takes `value` and `speed`.
    tWarstwy(std::span<tfigura* const> figures, int kind, double value, std::int32_t speed, bool laser);

    void SetLayer(std::int32_t n, const TLayerRecord& record);
    // One record per used slot, in ascending layer number.
    std::vector<TLayerRecord> GetLayerList() const;
    std::int32_t LayerCount() const;
    double GetDepth(std::int32_t n) const { return slot(n).Value; }  // mm
    double GetPower(std::int32_t n) const { return slot(n).Value; }  // percent
    std::int32_t GetSpeed(std::int32_t n) const { return slot(n).Speed; }
    bool IsActive(std::int32_t n) const { return slot(n).Active; }
    // The layer of hatch lines: slot 0 in a DXF project, slot 1 otherwise. A slot already used by
    // the drawing keeps its value, speed and active flag.
    void AddDefaultLayer(int kind);
    // Called when the drawing window goes; nothing to do.
    void Done() {}

    const LayerSlot& Slot(std::int32_t n) const { return slot(n); }

    // The slot of a layer number: a negative DXF colour (a layer switched off) is its absolute
    // value; numbers past the last slot share the last slot.
    static std::int32_t SlotOf(std::int32_t n);

private:
    LayerSlot& slot(std::int32_t n) { return slots_[static_cast<std::size_t>(SlotOf(n))]; }
    const LayerSlot& slot(std::int32_t n) const { return slots_[static_cast<std::size_t>(SlotOf(n))]; }
    std::array<LayerSlot, kSlots> slots_{};
};

}  // namespace vellisk
