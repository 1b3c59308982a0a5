#include "drawing_window/layer_dialog.h"

#include <cmath>

#include "drawing_window/project.h"
#include "drawing_window/project_info.h"
#include "model/program_environment.h"
#include "model/length_unit.h"
#include "model/numeric.h"

namespace vellisk {

LayersDialog::LayersDialog(tWarstwy& table, bool laser, double maxSpeed, std::int32_t unit, std::int32_t decimals,
                           const ProgramEnvironment& env, char separator)
    : table_(table),
      laser_(laser),
      maxSpeed_(maxSpeed),
      unit_(unit),
      decimals_(decimals),
      env_(env),
      separator_(separator) {
    std::int32_t r = 0;
    for (const TLayerRecord& rec : table.GetLayerList()) {
        LayerRow row;
        row.Number = rec.Number;
        row.Colour = rec.Colour;
        row.Active = rec.Active != 0;
        row.RowNumber = ++r;
        row.Value = rec.Value;
        row.Speed = rec.Speed;
        Format(row);
        rows_.push_back(std::move(row));
    }
}

std::vector<std::string> LayersDialog::Headers() const {
    const std::string unit = UnitName(unit_);
    std::vector<std::string> h{env_.Text(TextId::LayersCaption)};
    if (laser_) {
        h.push_back(env_.Text(TextId::LayerLaserPower) + " [%]");
        h.push_back(env_.Text(TextId::LayerSpeed) + " [" + unit + "/min]");
    } else {
        h.push_back(env_.Text(TextId::LayerDepth) + " [" + unit + "]");
    }
    return h;
}

std::string LayersDialog::RowCaption(std::int32_t row) const {
    if (row < 0 || row >= static_cast<std::int32_t>(rows_.size())) return {};
    return env_.Text(TextId::LayerName) + " " + std::to_string(rows_[static_cast<std::size_t>(row)].RowNumber);
}

std::int32_t LayersDialog::TextColour(std::int32_t colour) {
    std::uint8_t r = 0, g = 0, b = 0;
    SplitRgb(colour, r, g, b);
    return MakeRgb(255 - r, 255 - g, 255 - b);
}

void LayersDialog::Format(LayerRow& row) const {
    // Laser power is percent whatever the unit, shown with the unit's decimals all the same.
    const double shown = laser_ ? row.Value : MmToUnit(unit_, row.Value);
    row.ValueText = FormatFixedPrecision(shown, 8, decimals_, separator_);
    row.SpeedText = laser_ ? FormatFixedPrecision(MmToUnit(unit_, row.Speed), 8, decimals_, separator_) : std::string();
}

LayerEditors LayersDialog::EditorsOf(const LayerRow& row) const { return {row.Value, row.Speed, row.Active}; }

void LayersDialog::Select(std::int32_t row) {
    if (row < 0 || row >= static_cast<std::int32_t>(rows_.size())) return;
    current_ = row;
    if (view_) view_->LoadEditors(row, EditorsOf(rows_[static_cast<std::size_t>(row)]));
}

void LayersDialog::Apply(const LayerEditors& editors) {
    if (current_ < 0 || current_ >= static_cast<std::int32_t>(rows_.size())) return;
    LayerRow& row = rows_[static_cast<std::size_t>(current_)];
    if (std::isfinite(editors.Value)) row.Value = editors.Value;
    if (laser_ && std::isfinite(editors.Speed)) row.Speed = editors.Speed;
    row.Active = editors.Active;
    Format(row);
    if (view_) view_->ShowRow(current_);
    if (current_ + 1 < static_cast<std::int32_t>(rows_.size())) Select(current_ + 1);
}

void LayersDialog::ToggleAndApply(LayerEditors editors) {
    editors.Active = !editors.Active;
    Apply(editors);
}

void LayersDialog::Ok() {
    for (const LayerRow& row : rows_) {
        TLayerRecord rec;
        rec.Number = row.Number;
        rec.Colour = row.Colour;
        rec.Value = row.Value;
        if (laser_) {
            const double whole = RoundHalfEven(row.Speed);
            rec.Speed = whole > 2147483647.0 ? 2147483647 : whole < 0 ? 0 : static_cast<std::int32_t>(whole);
        } else {
            rec.Speed = table_.GetSpeed(row.Number);
        }
        rec.Active = row.Active ? 1 : 0;
        table_.SetLayer(row.Number, rec);
    }
}

void AfterLayersDialog(Project& project) {
    tWarstwy& layers = project.EnsureLayers();
    for (auto& f : project.Figures) f->ToCut = layers.IsActive(f->Layer);
    for (HatchLine& line : project.Lines) line.ToCut = layers.IsActive(line.Layer);
    project.PrzeliczPoWaznejZmianie();
}

}  // namespace vellisk
