#include "Error.h"

namespace qx {

std::string FormatMessage(std::string_view fmt, std::string_view arg)
{
    const auto at = fmt.find("%s");
    if (at == std::string_view::npos)
        return std::string(fmt);
    std::string out(fmt.substr(0, at));
    out += arg;
    out += fmt.substr(at + 2);
    return out;
}

} // namespace qx
