#pragma once
// The main frame's own file dialogs: the open and save-as dialogs with the drawing filters, the
// kept filter chosen, and the file list wide enough for its columns.
#include "app/ui/frame_commands.h"

class QWidget;

namespace vellisk::ui {

class FileDialogPicker : public FramePicker {
public:
    explicit FileDialogPicker(QWidget* parent) : parent_(parent) {}
    QString ChooseOpenFile(const QString& folder, const QString& filter, int* index) override;
    QString ChooseSaveFile(const QString& name, const QString& folder, const QString& filter, int* index) override;

private:
    QWidget* parent_;
};

}  // namespace vellisk::ui
