#include "SampleDirectory.h"

#include <array>
#include <string_view>

namespace {

// Two of the places carry a letter (北 96 6B) or an underscore (神 90 5F) as a
// trail byte, one has line breaks and a blank around it.
constexpr std::array<std::string_view, 9> Places = {
    "\x96\x6b\x8a\x43\x93\xb9", // 北海道
    "\x93\x8c\x8b\x9e\x93\x73", // 東京都
    "\x91\xe5\x8d\xe3\x95\x7b", // 大阪府
    "\x90\x5f\x93\xde\x90\xec\x8c\xa7", // 神奈川県
    "\x95\x9f\x89\xaa\x8c\xa7", // 福岡県
    "\x88\xa4\x92\x6d\x8c\xa7", // 愛知県
    "\x8b\x9e\x93\x73\x95\x7b", // 京都府
    "\x89\xab\x93\xea\x8c\xa7", // 沖縄県
    "\r\n\x93\x8c\x8b\x9e\x93\x73 ", // \r\n東京都 + blank
};

// ソ (83 5C), 表 (95 5C), 能 (94 5C) and 申 (90 5C) end in a backslash byte.
constexpr std::array<std::string_view, 12> Themes = {
    "\x83\x4a\x83\x89\x83\x49\x83\x50\x8d\x44\x82\xab\x82\xc5\x82\xb7", // カラオケ好きです
    "\x89\x66\x89\xe6\x82\xc6\x83\x68\x83\x89\x83\x43\x83\x75", // 映画とドライブ
    "\x89\xb9\x8a\x79\x82\xc6\x97\xbf\x97\x9d", // 音楽と料理
    "\x97\xb7\x8d\x73\x81\x45\x93\xc7\x8f\x91", // 旅行・読書
    "\x97\x46\x92\x42\x95\xe5\x8f\x57\x92\x86", // 友達募集中
    "\x89\xc9\x82\xc5\x82\xb7\x81\x42\x98\x62\x82\xbb\x82\xa4", // 暇です。話そう
    "\x83\x5c\x83\x74\x83\x67\x82\xcc\x97\x5c\x92\xe8\x95\x5c", // ソフトの予定表
    "\x94\x5c\x97\xcd\x82\xf0\x90\x5c\x8d\x9e", // 能力を申込
    "\x8e\xef\x96\xa1\x82\xcd\x83\x51\x81\x5b\x83\x80", // 趣味はゲーム
    "\x8a\x43\x82\xc6\x8e\x52\x82\xc6\x8c\xa2\x82\xc6\x94\x4c", // 海と山と犬と猫
    " \x82\xe6\x82\xeb\x82\xb5\x82\xad\r\n\x82\xcb ", // " よろしく" CR LF "ね "
    "\x95\x5c\x8c\x76\x8e\x5a\x83\x5c\x83\x74\x83\x67", // 表計算ソフト
};

constexpr std::array<std::string_view, 5> Profiles = {
    // <b>はじめまして</b><br> 映画と音楽が好きです。<br> よろしく！
    "<b>\x82\xcd\x82\xb6\x82\xdf\x82\xdc\x82\xb5\x82\xc4</b><br>\r\n"
    "\x89\x66\x89\xe6\x82\xc6\x89\xb9\x8a\x79\x82\xaa\x8d\x44\x82\xab\x82\xc5\x82\xb7\x81\x42<br>\r\n"
    "\x82\xe6\x82\xeb\x82\xb5\x82\xad\x81\x49",
    // <font color="red">趣味</font>: カラオケ<br> > 気軽に話そう
    "<font color=\"red\">\x8e\xef\x96\xa1</font>: \x83\x4a\x83\x89\x83\x49\x83\x50<br>\r\n"
    "> \x8b\x43\x8c\x79\x82\xc9\x98\x62\x82\xbb\x82\xa4",
    // ソフト開発の仕事をしています。<br> 表計算が得意です。
    "\x83\x5c\x83\x74\x83\x67\x8a\x4a\x94\xad\x82\xcc\x8e\x64\x8e\x96\x82\xf0\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81\x42<br>\r\n"
    "\x95\x5c\x8c\x76\x8e\x5a\x82\xaa\x93\xbe\x88\xd3\x82\xc5\x82\xb7\x81\x42",
    // <br> 北海道から。<i>能力</i>申込中
    "<br>\r\n\x96\x6b\x8a\x43\x93\xb9\x82\xa9\x82\xe7\x81\x42<i>\x94\x5c\x97\xcd</i>\x90\x5c\x8d\x9e\x92\x86",
    // 犬と猫が好き &amp; 料理も
    "\x8c\xa2\x82\xc6\x94\x4c\x82\xaa\x8d\x44\x82\xab &amp; \x97\xbf\x97\x9d\x82\xe0",
};

constexpr std::string_view PageHead =
    "<html>\r\n<head><title>\x89\xef\x88\xf5\x88\xea\x97\x97</title></head>\r\n<body>\r\n"; // 会員一覧
constexpr std::string_view PageFoot = "</body>\r\n</html>\r\n";

std::uint64_t splitMix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::string tableStart()
{
    std::string page(PageHead);
    page += "<h1>\x82\xbd\x82\xbe\x82\xa2\x82\xdc\x83\x49\x83\x93\x83\x89\x83\x43\x83\x93\x82\xcc\x89\xef\x88\xf5</h1>\r\n"; // ただいまオンラインの会員
    page += "<table border=\"1\">\r\n";
    page += "<tr><th>\x8f\xf3\x91\xd4</th><th>\x94\xd4\x8d\x86</th><th>\x90\xab\x95\xca</th>"; // 状態 番号 性別
    page += "<th>\x94\x4e\x97\xee</th><th>\x92\x6e\x88\xe6</th><th>\x83\x65\x81\x5b\x83\x7d</th></tr>\r\n"; // 年齢 地域 テーマ
    return page;
}

} // namespace

SampleDirectory::SampleDirectory(std::uint64_t seed, int members)
    : m_seed(seed)
    , m_listed(members < 0 ? 0 : members)
{
    const int poolSize = m_listed + m_listed / 4;
    for (int i = 0; i < poolSize; ++i) {
        const std::uint64_t h = hash(static_cast<std::uint64_t>(i));
        Member member;
        const std::uint64_t digits = (h >> 8) % 10000 * 1000 + static_cast<std::uint64_t>(i) % 1000;
        std::string tail = std::to_string(digits);
        member.Number = std::string((h & 1) ? "090" : "080") + std::string(7 - tail.size(), '0') + tail;
        member.Sex = static_cast<int>((h >> 12) % 7 % 3);
        member.Decade = (h >> 16) % 3 == 0;
        member.Age = member.Decade ? static_cast<int>((h >> 20) % 5 + 1) * 10 : static_cast<int>((h >> 20) % 42 + 18);
        member.BrokenNumberCell = (h >> 28) % 5 == 0;
        member.Place = static_cast<int>((h >> 32) % Places.size());
        member.Theme = static_cast<int>((h >> 40) % Themes.size());
        member.Profile = static_cast<int>((h >> 48) % Profiles.size());
        m_pool.push_back(member);
    }
}

std::uint64_t SampleDirectory::hash(std::uint64_t a, std::uint64_t b, std::uint64_t c) const
{
    return splitMix(splitMix(splitMix(m_seed ^ a) ^ b) ^ c);
}

std::string SampleDirectory::memberRow(const Member& member, bool online) const
{
    static constexpr std::array<std::string_view, 3> SexCells = {
        "<img src=\"female.gif\">", "<img src=\"male.gif\">", "?"};
    std::string row = "<tr><td><img src=\"";
    row += online ? "on.gif" : "off.gif";
    row += "\"></td><td>";
    row += member.BrokenNumberCell ? "\r\n" + member.Number + "\r\n" : member.Number;
    row += "</td><td>";
    row += SexCells[static_cast<std::size_t>(member.Sex)];
    row += "</td><td>";
    row += std::to_string(member.Age);
    row += member.Decade ? "<img src=\"age_dai.gif\">" : "<img src=\"age.gif\">";
    row += "</td><td>";
    row += Places[static_cast<std::size_t>(member.Place)];
    row += "</td><td>";
    row += Themes[static_cast<std::size_t>(member.Theme)];
    row += "</td></tr>\r\n";
    return row;
}

std::string SampleDirectory::NextListPage(int rotation)
{
    const std::uint64_t moment = m_moment++;
    std::string page = tableStart();
    int online = 0;
    for (std::size_t i = 0; i < m_pool.size(); ++i) {
        const std::uint64_t h = hash(i, moment + 1, 7);
        // The first page lists exactly the regular members; later pages drop
        // some of them and bring in some of the others.
        const bool regular = static_cast<int>(i) < m_listed;
        bool present = moment == 0 ? regular : (regular ? h % 8 != 0 : h % 3 == 0);
        if (rotation >= 2)
            present = (i + moment) % static_cast<std::uint64_t>(rotation) != 0;
        if (!present)
            continue;
        page += memberRow(m_pool[i], (h >> 8) % 3 != 0);
        ++online;
    }
    page += "</table>\r\n<p>" + std::to_string(online) + "\x90\x6c</p>\r\n"; // 人
    page += PageFoot;
    return page;
}

std::string SampleDirectory::FillerRow(std::uint64_t index) const
{
    if (m_pool.empty())
        return "<tr><td></td><td></td><td></td><td></td><td></td><td></td></tr>\r\n";
    return memberRow(m_pool[index % m_pool.size()], index % 2 == 0);
}

std::string SampleDirectory::ProfilePage(std::string_view number) const
{
    std::string page(PageHead);
    for (const Member& member : m_pool) {
        if (member.Number != number)
            continue;
        page += "<h2>\x83\x76\x83\x8d\x83\x74\x83\x42\x81\x5b\x83\x8b</h2>\r\n<hr>\r\n"; // プロフィール
        page += member.Number + "<br>\r\n";
        page += Profiles[static_cast<std::size_t>(member.Profile)];
        page += "\r\n<hr>\r\n";
        page += PageFoot;
        return page;
    }
    page += "<p>\x82\xb1\x82\xcc\x94\xd4\x8d\x86\x82\xcd\x93\x6f\x98\x5e\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1</p>\r\n"; // この番号は登録されていません
    page += PageFoot;
    return page;
}

std::string SampleDirectory::NotFoundPage()
{
    return "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\r\n";
}

std::string SampleDirectory::HugePage(std::size_t size)
{
    static constexpr std::string_view Line =
        "<p>\x89\xef\x88\xf5\x88\xea\x97\x97 \x83\x5c\x83\x74\x83\x67 \x95\x5c</p>\r\n"; // 会員一覧 ソフト 表
    std::string page(PageHead);
    page.reserve(size + Line.size() + PageFoot.size());
    while (page.size() < size)
        page += Line;
    page += PageFoot;
    return page;
}
