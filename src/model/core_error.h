#pragma once
// The one error type the core throws. A value outside its range, a text that is not a number,
// or a failed file operation stops the operation in hand; the front end turns the error into
// the platform's error report and the program carries on.
#include <stdexcept>
#include <string>

namespace vellisk {

class CoreError : public std::runtime_error {
public:
    enum class Kind { Range, Conversion, InputOutput };

    CoreError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}

    Kind kind() const noexcept { return kind_; }

    static CoreError range(const std::string& what) { return {Kind::Range, what}; }
    static CoreError conversion(const std::string& what) { return {Kind::Conversion, what}; }
    static CoreError io(const std::string& what) { return {Kind::InputOutput, what}; }

private:
    Kind kind_;
};

}  // namespace vellisk
