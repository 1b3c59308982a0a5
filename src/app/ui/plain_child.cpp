#include "app/ui/plain_child.h"

#include <QMessageBox>

#include "drawing_files/drawing_file.h"
#include "drawing_window/ui/drawing_view.h"

namespace vellisk::ui {

QWidget* PlainChild::Widget() {
    if (!view_) view_ = new DrawingView({});
    return view_;
}

bool PlainChild::Load(const QString& file) {
    DrawingFileResult result = ReadDrawingFile(file.toStdString());
    if (!result.error.empty()) QMessageBox::critical(nullptr, "Vellisk", QString::fromStdString(result.error));
    if (!result.opened) return false;
    delete view_;
    view_ = new DrawingView(std::move(result.figures));
    return true;
}

void PlainChild::Repaint() {
    if (view_) view_->update();
}

}  // namespace vellisk::ui
