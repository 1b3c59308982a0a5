#pragma once
// The outputs dialog: the lubrication ("oil") output of the machines that have one (models NZV
// and NKV). The box is checked when the controller reports outputs 6 and 7 off; a click sends
// the output command with the mask of outputs 6 and 7.
#include "machine_link/command_layer.h"

namespace vellisk {

class OutputsDialog {
public:
    explicit OutputsDialog(CommandLayer& layer) : layer_(layer) {}

    // Reads the status and shows what the machine reports; when that changes the check mark it
    // counts as a click (the state the machine reported is sent again).
    void Activate();
    // The operator's click: the box is now `checked`.
    void Click(bool nowChecked);

    bool enabled = false;
    bool checked = false;

private:
    CommandLayer& layer_;
};

}  // namespace vellisk
