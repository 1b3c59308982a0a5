#pragma once
// The view options a drawing window paints by, switched in the main frame's View menu.

namespace vellisk {

// The four view options of the View menu: three colour modes of which exactly one is checked,
// and the entry points, switched on their own.
struct ViewOptions {
    bool Kierunek = false;
    bool Kolejnosc = false;
    bool Warstwy = true;
    bool Punktywej = true;
    bool operator==(const ViewOptions&) const = default;
};

}  // namespace vellisk
