// The main frame's file dialogs.
#include "app/ui/file_dialog_picker.h"

#include <QDateTime>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QScreen>
#include <QStringList>
#include <QTreeView>
#include <algorithm>
#include <string>

namespace vellisk::ui {

namespace {

// "label|pattern|label|pattern" as the file dialog's filter list; patterns match either case.
QStringList DialogFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        if (pattern != "*.*")
            pattern += " " + pattern.toUpper();
        else
            pattern = "*";
        out << parts[i] + " (" + pattern + ")";
    }
    return out;
}

// Gives the dialog the filter list, with filter number `index` (from 1) chosen when it exists.
QStringList SetFilters(QFileDialog& dlg, const QString& filter, int index) {
    const QStringList filters = DialogFilters(filter.toStdString());
    dlg.setNameFilters(filters);
    if (index >= 1 && index <= filters.size()) dlg.selectNameFilter(filters[index - 1]);
    return filters;
}

// Shows the dialog: the chosen file, and in `*index` the number of the filter it was chosen
// with; empty when cancelled.
// The file list shows its name, size, type and date columns whole: each column gets the room
// of its longest usual text, the name the rest, and the dialog is made as wide as that and its
// side bar need (never wider than the screen).
void WideEnoughForTheColumns(QFileDialog& dlg) {
    dlg.setViewMode(QFileDialog::Detail);
    auto* list = dlg.findChild<QTreeView*>();
    if (!list || list->header()->count() < 4) return;  // the system's own dialog sizes itself
    QHeaderView* header = list->header();
    const QFontMetrics fm = list->fontMetrics();
    auto room = [&](const QString& sample) {
        return fm.horizontalAdvance(sample) + fm.horizontalAdvance(QStringLiteral("MM"));
    };
    const QDateTime sampleDate(QDate(2026, 12, 28), QTime(23, 59, 59));
    header->resizeSection(1, room(QStringLiteral("1023.99 KiB")));
    header->resizeSection(2, room(QStringLiteral("plain text document")));
    header->resizeSection(3, std::max(room(QLocale().toString(sampleDate, QLocale::ShortFormat)),
                                      room(QLocale().toString(sampleDate, QLocale::LongFormat)) * 3 / 4));
    const int nameRoom = fm.horizontalAdvance(QStringLiteral("M")) * 28;
    header->resizeSection(0, nameRoom);
    int columns = 0;
    for (int i = 0; i < header->count(); ++i) columns += header->sectionSize(i);
    const int others = dlg.sizeHint().width() - list->sizeHint().width();
    int width = std::max(dlg.width(), columns + std::max(others, 0) + 40);
    int height = std::max(dlg.height(), dlg.sizeHint().height());
    if (const QScreen* screen = dlg.screen()) {
        width = std::min(width, screen->availableGeometry().width());
        height = std::min(height, screen->availableGeometry().height());
    }
    dlg.resize(width, height);
}

QString RunFileDialog(QFileDialog& dlg, const QStringList& filters, int* index) {
    WideEnoughForTheColumns(dlg);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    *index = filters.indexOf(dlg.selectedNameFilter()) + 1;
    if (*index < 1) *index = 1;
    return dlg.selectedFiles().front();
}

QString DefaultChooseOpen(QWidget* parent, const QString& folder, const QString& filter, int* index) {
    QFileDialog dlg(parent);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setDirectory(folder);
    const QStringList filters = SetFilters(dlg, filter, *index);
    return RunFileDialog(dlg, filters, index);
}

QString DefaultChooseSave(QWidget* parent, const QString& name, const QString& folder, const QString& filter,
                          int* index) {
    QFileDialog dlg(parent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDirectory(folder);
    dlg.setDefaultSuffix("plt");
    const QStringList filters = SetFilters(dlg, filter, *index);
    dlg.selectFile(name);
    return RunFileDialog(dlg, filters, index);
}

}  // namespace

QString FileDialogPicker::ChooseOpenFile(const QString& folder, const QString& filter, int* index) {
    return DefaultChooseOpen(parent_, folder, filter, index);
}

QString FileDialogPicker::ChooseSaveFile(const QString& name, const QString& folder, const QString& filter,
                                         int* index) {
    return DefaultChooseSave(parent_, name, folder, filter, index);
}

}  // namespace vellisk::ui
