#pragma once
// The program's own error type. Its message is a byte string in code page 932,
// exactly as the standard error box shows it.

#include <stdexcept>
#include <string>
#include <string_view>

namespace qx {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& ansiMessage)
        : std::runtime_error(ansiMessage)
    {
    }
};

// fmt with its one "%s" replaced by arg (both code page 932 bytes).
std::string FormatMessage(std::string_view fmt, std::string_view arg);

} // namespace qx
