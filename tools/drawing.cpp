// Developer tool: reads a drawing with the program's readers, figure by figure, and prints one
// line per figure the drawing window keeps (layer, open or closed, point count, bounding box in
// drawing units), then a closing line with the figure count and the drawing's bounding box.
//   drawing <file> [--kind 1|2|3]
// The kind comes from the extension (".plt" HPGL, ".dxf" DXF, ".nc" G-code, anything else
// HPGL) unless --kind gives it. Exit status: 0 when the whole file was read, 1 when it broke
// off (the figures before the fault are printed, the fault on standard error), 2 when it could
// not be opened or the arguments are wrong.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>

#include "drawing_files/drawing_file.h"
#include "drawing_files/file_kind.h"
#include "drawing_files/hpgl.h"
#include "settings/number_text.h"

namespace {

using namespace vellisk;

std::string Num(double v) { return FormatFixedNumber(v, 3, '.'); }

std::string Box(double minX, double minY, double maxX, double maxY) {
    std::string s = "(";
    s.append(Num(minX)).append(", ").append(Num(minY)).append(") - (");
    s.append(Num(maxX)).append(", ").append(Num(maxY)).append(")");
    return s;
}

int Usage() {
    std::fprintf(stderr, "usage: drawing <file> [--kind 1|2|3]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string path;
    std::int32_t kind = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--kind" && i + 1 < argc) {
            std::string k = argv[++i];
            if (k != "1" && k != "2" && k != "3") return Usage();
            kind = k[0] - '0';
        } else if (!a.empty() && a[0] != '-' && path.empty()) {
            path = a;
        } else {
            return Usage();
        }
    }
    if (path.empty()) return Usage();
    if (kind == 0) kind = FileKindOf(path);

    Thpgl reader;
    if (reader.OpenInput(path, kind) != 0) {
        std::fprintf(stderr, "%s\n", reader.OpenError().c_str());
        return 2;
    }
    std::size_t count = 0;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    int status = 0;
    try {
        while (!reader.EndOfFile) {
            tfigura f;
            reader.ReadFigure(f);
            // The window keeps HPGL and DXF figures by their Valid flag, G-code runs as read.
            if (kind == KindGcode ? f.Contour.empty() : !f.Valid) continue;
            std::printf("figure %zu  layer %d  %s  points %zu  box %s\n", count + 1, f.Layer,
                        f.Open ? "open" : "closed", f.Contour.size(), Box(f.MinX, f.MinY, f.MaxX, f.MaxY).c_str());
            if (count == 0) {
                minX = f.MinX, minY = f.MinY, maxX = f.MaxX, maxY = f.MaxY;
            } else {
                minX = std::min(minX, f.MinX), minY = std::min(minY, f.MinY);
                maxX = std::max(maxX, f.MaxX), maxY = std::max(maxY, f.MaxY);
            }
            ++count;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", WithLineNumber(e.what(), reader.LineNumber()).c_str());
        status = 1;
    }
    for (const std::string& w : reader.Warnings()) std::fprintf(stderr, "left out: %s\n", w.c_str());
    reader.CloseInput();
    if (count == 0)
        std::printf("figures 0\n");
    else
        std::printf("figures %zu  box %s\n", count, Box(minX, minY, maxX, maxY).c_str());
    return status;
}
