#pragma once
// The program's texts (UTF-8 std::string in the core) as Qt shows them.
#include <QString>
#include <string>

namespace vellisk::ui {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace vellisk::ui
