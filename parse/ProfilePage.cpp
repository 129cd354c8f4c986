#include "ProfilePage.h"

#include "Text.h"

namespace {

constexpr long long kWindow = 99999;
constexpr long long kNumberLength = 10;

} // namespace

std::string StripTags(std::string_view text)
{
    // Equal to removing the first tag and searching again from the start:
    // what precedes a removed tag holds no "<", so each search can go on
    // where the last tag ended.
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find('<', i);
        if (open == std::string_view::npos)
            break;
        const std::size_t close = text.find('>', open + 1);
        if (close == std::string_view::npos)
            break;
        out.append(text.substr(i, open - i));
        i = close + 1;
    }
    out.append(text.substr(i));
    return out;
}

std::optional<ProfileUpdate> ParseProfilePage(std::string_view response)
{
    const std::size_t first = qx::Pos("<hr>", response);
    if (first == 0)
        return std::nullopt;
    const std::string_view rest = qx::SubView(response, static_cast<long long>(first) + 4, kWindow);
    const std::size_t second = qx::Pos("<hr>", rest);
    const std::string_view block = qx::TrimView(qx::SubView(rest, 1, static_cast<long long>(second) - 1));

    ProfileUpdate update;
    update.Number = qx::SubString(block, 1, kNumberLength);
    update.Text = StripTags(qx::TrimView(qx::SubView(block, kNumberLength + 1, kWindow)));
    if (update.Text.empty())
        return std::nullopt;
    return update;
}
