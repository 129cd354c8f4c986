// Feeds arbitrary responses to the profile page parse and checks what comes
// out: a number of at most ten bytes, a text that is not empty and holds no
// tag, where a "<" may stay only when no ">" follows it. The tag removal is
// compared with the plain way of removing the first tag and searching again
// from the start.

#include "ProfilePage.h"
#include "Text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::string plainStrip(std::string text)
{
    for (;;) {
        const std::size_t open = qx::Pos("<", text);
        if (open == 0)
            return text;
        const std::size_t close = qx::Pos(">", qx::SubView(text, static_cast<long long>(open) + 1, static_cast<long long>(text.size())));
        if (close == 0)
            return text;
        qx::Delete(text, static_cast<long long>(open), static_cast<long long>(close) + 1);
    }
}

bool holdsNoTag(std::string_view text)
{
    const std::size_t open = text.find('<');
    return open == std::string_view::npos || text.find('>', open) == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view response(reinterpret_cast<const char*>(data), size);

    const std::string stripped = StripTags(response);
    check(holdsNoTag(stripped));
    if (size <= 4096)
        check(stripped == plainStrip(std::string(response)));

    const auto update = ParseProfilePage(response);
    if (!update) {
        return 0;
    }
    check(response.find("<hr>") != std::string_view::npos);
    check(update->Number.size() <= 10);
    check(!update->Text.empty());
    check(holdsNoTag(update->Text));
    check(update->Text.size() <= 99999);
    check(response.find(update->Number) != std::string_view::npos);
    return 0;
}
