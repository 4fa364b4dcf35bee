#pragma once

#include <stdexcept>
#include <string>

namespace rz4::common {

// The program's runtime error: a number and a description (UTF-8), shown to the user by the
// top-level handler before the program ends.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), m_number(number) {}

    int number() const { return m_number; }
    std::string description() const { return what(); }

private:
    int m_number;
};

// The error numbers the program raises itself.
namespace err {
inline constexpr int InvalidArgument = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int TypeMismatch = 13;
inline constexpr int InternalError = 51;
inline constexpr int FileNotFound = 53;
inline constexpr int PathFileAccess = 75;
inline constexpr int CannotCreateObject = 429;
} // namespace err

[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseInvalidArgument();
[[noreturn]] void raiseTypeMismatch();

} // namespace rz4::common
