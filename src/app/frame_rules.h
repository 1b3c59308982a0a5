#pragma once
// The main frame's rules, free of any window: which menu items and buttons are enabled for the
// drawings open, the zoom steps, the view options, the open dialog's filter and the save-as file
// name. (The project kind a file opens as is FileKindOf, drawing_files/file_kind.h.)
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "drawing_window/view_options.h"
#include "model/geometry_types.h"

namespace vellisk {

// What the enabling rules look at.
struct FrameState {
    int drawings = 0;          // drawing windows open
    int activeKind = 0;        // project kind of the active drawing
    int activeZoom = 1;        // zoom of the active drawing
    bool configExists = true;  // the configuration dialog has been created
    int projektType = 0;       // the configuration's project type (1: layers)
};

// Items and buttons switched by the enabling rules; everything else stays enabled.
struct MenuEnabling {
    bool SpeedStart = false;
    bool FileCloseItem = false;
    bool Symulacja = false;
    bool WindowCascadeItem = false;
    bool WindowTileItem = false;
    bool Widok = false;
    bool Window1 = false;
    bool info = false;
    bool mWarstwy = false;
    bool SpeedSymulacja = false;
    bool Tnijwybran1 = false;
    bool Startodwybranej1 = false;
    bool nijwybranewarstwy1 = false;
    bool mKreskowanie = false;
    bool Zoom = false;  // the three zoom buttons and the zoom bar
    bool operator==(const MenuEnabling&) const = default;
};

MenuEnabling UpdateMenuItems(const FrameState& s);

// The zoom bar's range and one step in or out (in at the maximum and out below 2 stay put).
inline constexpr int kZoomMin = 1;
inline constexpr int kZoomMax = 10;
int ZoomInStep(int zoom);
int ZoomOutStep(int zoom);

// The View menu's items (the options themselves: ViewOptions, drawing_window/view_options.h).
enum class ViewItem { Kierunek, Kolejnosc, Warstwy, Punktywej };
// A click on a view item: the entry points toggle; a colour mode becomes the only one checked.
void ChangeViewAtribute(ViewOptions& v, ViewItem clicked);

// The drawings prepared again after the configuration dialog closes, as positions in `kinds`
// (the project kinds of the open drawings in window order), the last window first: none unless
// a setting that shapes the tool paths changed; never a G-code drawing or a bitmap, whose moves
// are the file's own.
std::vector<std::size_t> DrawingsToReprepare(bool settingsChanged, std::span<const int> kinds);

// The open dialog's filter as "label|pattern|label|pattern|..." pairs: BMP takes the place of
// G-code on a laser machine (so a kept filter index 3 picks bitmaps there).
std::string OpenFilter(bool laser);
// The save-as dialog's filter; its index chooses the writer's output kind.
std::string SaveFilter();

// The save-as dialog's file name for a drawing window's caption: without its folder and without
// everything from its first ".".
std::string SaveAsDefaultName(std::string_view caption);

// The folder of a chosen file, kept whole (the global state record cuts what it cannot hold
// only when it is written).
std::string FolderOfFile(std::string_view path);

}  // namespace vellisk
