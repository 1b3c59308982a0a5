#include "app/ui/frame_notifier.h"

#include <QApplication>
#include <QMessageBox>

namespace vellisk::ui {

Answer FrameNotifier::Message(const std::string& text, MessageKind kind, Buttons buttons, const std::string& caption) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption.empty() ? QString() : QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (kind) {
        case MessageKind::Information: box.setIcon(QMessageBox::Information); break;
        case MessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageKind::Error: box.setIcon(QMessageBox::Critical); break;
        case MessageKind::Confirmation: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    // A message while the hourglass shows gets the ordinary cursor for as long as it is open.
    const bool busy = busy_ > 0;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int r = box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    switch (r) {
        case QMessageBox::Cancel: return Answer::Cancel;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::No : Answer::Ok;
    }
}

void FrameNotifier::Status(const std::string& text, int) {
    if (bar_) bar_->showMessage(QString::fromStdString(text));
}

void FrameNotifier::Busy(bool on) {
    if (on) {
        ++busy_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busy_ > 0) {
        --busy_;
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace vellisk::ui
