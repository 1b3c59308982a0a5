#include "app/frame_rules.h"

#include <filesystem>

namespace vellisk {

MenuEnabling UpdateMenuItems(const FrameState& s) {
    MenuEnabling e;
    const bool any = s.drawings > 0;
    const int k = s.activeKind;
    e.SpeedStart = e.FileCloseItem = e.Symulacja = e.WindowCascadeItem = e.WindowTileItem = any;
    e.Widok = e.Window1 = e.info = e.mWarstwy = any;
    e.SpeedSymulacja = any && s.activeZoom == 1;
    e.Tnijwybran1 = e.Startodwybranej1 = any && k != KindGcode;
    e.nijwybranewarstwy1 = s.configExists && any && s.projektType == 1 && k != KindGcode;
    e.mKreskowanie = any && k != KindGcode && k != KindBitmap;
    e.Zoom = any && (k == KindHpgl || k == KindDxf);
    return e;
}

int ZoomInStep(int zoom) { return zoom >= kZoomMax ? zoom : zoom + 1; }
int ZoomOutStep(int zoom) { return zoom < 2 ? zoom : zoom - 1; }

void ChangeViewAtribute(ViewOptions& v, ViewItem clicked) {
    if (clicked == ViewItem::Punktywej) {
        v.Punktywej = !v.Punktywej;
        return;
    }
    v.Kierunek = clicked == ViewItem::Kierunek;
    v.Kolejnosc = clicked == ViewItem::Kolejnosc;
    v.Warstwy = clicked == ViewItem::Warstwy;
}

std::vector<std::size_t> DrawingsToReprepare(bool settingsChanged, std::span<const int> kinds) {
    std::vector<std::size_t> which;
    if (!settingsChanged) return which;
    for (std::size_t i = kinds.size(); i-- > 0;)
        if (kinds[i] != KindGcode && kinds[i] != KindBitmap) which.push_back(i);
    return which;
}

std::string OpenFilter(bool laser) {
    return laser ? "HPGL|*.plt|DXF R12|*.dxf|BMP|*.bmp" : "HPGL|*.plt|DXF R12|*.dxf|G Code|*.nc";
}

std::string SaveFilter() { return "Plik HPGL|*.plt|Plik CNC|*.cnc|Wszystkie pliki|*.*"; }

std::string SaveAsDefaultName(std::string_view caption) {
    std::string name = std::filesystem::path(std::string(caption)).filename().string();
    if (const auto dot = name.find('.'); dot != std::string::npos) name.erase(dot);
    return name;
}

std::string FolderOfFile(std::string_view path) {
    return std::filesystem::path(std::string(path)).parent_path().string();
}

}  // namespace vellisk
