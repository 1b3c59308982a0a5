#include "machine_operation/outputs_dialog.h"

namespace vellisk {

void OutputsDialog::Activate() {
    const MachineContext& ctx = layer_.Context();
    (void)layer_.ReadStatus();  // the outputs shown are the last ones read when there is no answer
    enabled = ctx.ModelCode == "NZV" || ctx.ModelCode == "NKV";
    if (!enabled) return;
    const bool reported = ctx.PlotState.OutputByte < 64;
    if (reported != checked) Click(reported);
}

void OutputsDialog::Click(bool nowChecked) {
    checked = nowChecked;
    layer_.SendCommand(std::string(nowChecked ? "R\x00\xC0" : "R\x01\xC0", 3));
}

}  // namespace vellisk
