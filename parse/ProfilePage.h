#pragma once
// The profile page: between its first two "<hr>" markers stand the member's
// number, in exactly ten bytes, and the profile text, which may hold tags.

#include <optional>
#include <string>
#include <string_view>

struct ProfileUpdate {
    std::string Number;
    std::string Text;
};

// The number and the tag-free profile text of a profile page; nothing when
// the page has no block between two "<hr>" or the text comes out empty.
// Tags are removed from each "<" through the first ">" after it; a "<" with
// no ">" after it stays as text, with everything after it.
std::optional<ProfileUpdate> ParseProfilePage(std::string_view response);

// text without its tags, as above.
std::string StripTags(std::string_view text);
