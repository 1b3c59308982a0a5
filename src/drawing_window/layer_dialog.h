#pragma once
// The layer dialog's behaviour: one row per layer of a layer project (every HPGL pen or DXF
// colour of the drawing) with its milling depth, or on a laser machine its laser power and
// speed, and whether it is cut. The operator loads a row into the editors, applies them to the
// row (which moves on to the next), toggles a row's flag with a double click, and OK writes every
// row into the layer table; Cancel leaves the table as it was. Depths and speeds are held in
// millimetres (per minute) and shown in the display unit; a row keeps its exact values until the
// operator applies the editors to it.
#include <cstdint>
#include <string>
#include <vector>

#include "model/layers.h"

namespace vellisk {

struct ProgramEnvironment;
class Project;

// One row of the grid.
struct LayerRow {
    std::int32_t Number = 0;  // layer number (pen or colour)
    std::int32_t Colour = 0;  // screen colour
    bool Active = true;
    std::int32_t RowNumber = 0;  // 1, 2, ...
    double Value = 0.0;          // depth in mm, or laser power in percent
    double Speed = 0.0;          // mm/min (laser)
    std::string ValueText;       // the value as shown (display unit, or percent)
    std::string SpeedText;       // the speed as shown, per minute (laser)
};

// What the editors below the grid hold: millimetres (per minute) and percent.
struct LayerEditors {
    double Value = 0.0;
    double Speed = 0.0;
    bool Active = true;
};

// What the dialog needs of its window.
class LayersView {
public:
    virtual ~LayersView() = default;
    // Row `row` (0-based among the layer rows) changed its texts or flag.
    virtual void ShowRow(std::int32_t row) = 0;
    // Row `row` is the current one: show its colour and caption and load the editors.
    virtual void LoadEditors(std::int32_t row, const LayerEditors& editors) = 0;
};

class LayersDialog {
public:
    // `laser`: the machine burns with a laser (power and speed per layer) instead of milling.
    // `unit` and `decimals`: the display unit and the decimals of its lengths; `separator`: the
    // decimal separator shown.
    LayersDialog(tWarstwy& table, bool laser, double maxSpeed, std::int32_t unit, std::int32_t decimals,
                 const ProgramEnvironment& env, char separator = '.');

    void SetView(LayersView* view) { view_ = view; }

    bool Laser() const { return laser_; }
    double MaxSpeed() const { return maxSpeed_; }
    std::int32_t Unit() const { return unit_; }
    const std::vector<LayerRow>& Rows() const { return rows_; }
    std::int32_t Current() const { return current_; }
    // Column headers of the shown columns: "Layers", the value column and on a laser the speed.
    std::vector<std::string> Headers() const;
    // "Layer 3" for the current row's colour panel.
    std::string RowCaption(std::int32_t row) const;
    // The text colour on a row's colour: each of red, green and blue inverted.
    static std::int32_t TextColour(std::int32_t colour);

    // Makes `row` the current one and loads it into the editors.
    void Select(std::int32_t row);
    // Writes the editors into the current row and moves to the next row (the last row stays).
    void Apply(const LayerEditors& editors);
    // Double click: the editors' flag toggled, then applied.
    void ToggleAndApply(LayerEditors editors);
    // Writes every row into the layer table (a milling layer keeps its speed).
    void Ok();

private:
    void Format(LayerRow& row) const;
    LayerEditors EditorsOf(const LayerRow& row) const;

    tWarstwy& table_;
    bool laser_;
    double maxSpeed_;
    std::int32_t unit_;
    std::int32_t decimals_;
    const ProgramEnvironment& env_;
    char separator_;
    std::vector<LayerRow> rows_;
    std::int32_t current_ = -1;
    LayersView* view_ = nullptr;
};

// What the drawing window does after the dialog's OK: every figure is cut or not as its layer
// says (also a figure switched by hand), then direction, order and tool paths again.
void AfterLayersDialog(Project& project);

}  // namespace vellisk
