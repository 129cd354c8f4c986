#pragma once
// The generated member directory that the sample server publishes: a pool of
// members made from a seed, of whom a changing set is online on each people-
// list page, and each member's profile page. Pages are code page 932 bytes in
// the shapes the directory service uses; the same seed gives the same pages.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class SampleDirectory {
public:
    SampleDirectory(std::uint64_t seed, int members);

    // The next people-list page body. Each call is a new moment: some members
    // go offline, others come online, and availability changes. With a
    // rotation of N (2 or more) the pool takes turns instead: every member is
    // away from one page in N and back on the page after, so whoever was
    // away last time comes online again.
    std::string NextListPage(int rotation = 0);

    // The profile page body for a number; a page without the profile block
    // when the number is not one of the members.
    std::string ProfilePage(std::string_view number) const;

    // One member row of the list table, for the endless misbehaviour.
    std::string FillerRow(std::uint64_t index) const;

    static std::string NotFoundPage();

    // A page of about size bytes without the word that starts the table.
    static std::string HugePage(std::size_t size);

private:
    struct Member {
        std::string Number;
        int Sex = 0; // 0 female, 1 male, 2 unknown
        int Age = 0;
        bool Decade = false;
        bool BrokenNumberCell = false;
        int Place = 0;
        int Theme = 0;
        int Profile = 0;
    };

    std::string memberRow(const Member& member, bool online) const;
    std::uint64_t hash(std::uint64_t a, std::uint64_t b = 0, std::uint64_t c = 0) const;

    std::uint64_t m_seed;
    int m_listed;
    std::uint64_t m_moment = 0;
    std::vector<Member> m_pool;
};
