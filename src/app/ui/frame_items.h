#pragma once
// The main frame's menu items and speed buttons, by what they do. Each keeps its component name
// as its object name (in the comment), which the window's automation sees.
namespace vellisk::ui {

enum class FrameItem {
    FileMenu,           // File1
    Open,               // FileOpenItem (F3)
    SaveTest,           // Zapistestowy1 (hidden)
    Close,              // FileCloseItem
    Info,               // info
    Simulation,         // Symulacja (F1)
    About,              // About1
    Exit,               // FileExitItem (Alt+X)
    ViewMenu,           // Widok
    Direction,          // Kierunek
    Sequence,           // Kolejnosc
    Layers,             // Warstwy
    InputPoints,        // Punktywej
    CutMenu,            // Cicie1
    Start,              // Start1 (F2)
    Continue,           // Kontynuacja1 (Shift+F2)
    Repeat,             // Powtrz1 (Ctrl+F2)
    Hold,               // Wstrzymaj1 (Space)
    CutSelected,        // Tnijwybran1
    StartFromSelected,  // Startodwybranej1
    CutSelectedLayers,  // nijwybranewarstwy1 (hidden)
    BurnBitmap,         // WypalBMP1 (hidden)
    Panel,              // sterowanie (F5)
    ConfigMenu,         // Konfiguracja
    MainConfig,         // mKonfigGlowna
    LayersConfig,       // mWarstwy
    WindowMenu,         // Window1
    Cascade,            // WindowCascadeItem
    Tile,               // WindowTileItem
    CloseAll,           // CloseAll
    FunctionsMenu,      // Funkcje1
    Hatching,           // mKreskowanie
    Count
};

enum class FrameButton {
    Open,        // OpenBtn
    Simulation,  // SpeedSymulacja
    Start,       // SpeedStart
    Stop,        // SpeedStop
    Continue,    // Skont
    ZoomToFit,   // sbZoomToFit
    ZoomOut,     // sbZoomOut
    ZoomIn,      // sbZoomIn
    ZoomPanel,   // pZoom: the zoom buttons and bar
    ZoomBar,     // tbZoom
    Count
};

}  // namespace vellisk::ui
