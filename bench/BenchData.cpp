// Generated benchmark data. Place, theme and profile texts are code page 932
// byte literals; several of them have trail bytes 0x5C or a-z (表, 能, 申,
// ソ), which the scans must not take for markers or letters.

#include "BenchData.h"

#include <cstdio>
#include <string_view>

namespace bench {

namespace {

constexpr std::string_view kPlaces[] = {
    "\x96\x6B\x8A\x43\x93\xB9",         // 北海道
    "\x93\x8C\x8B\x9E\x93\x73",         // 東京都
    "\x91\xE5\x8D\xE3\x95\x7B",         // 大阪府
    "\x90\x5F\x93\xDE\x90\xEC\x8C\xA7", // 神奈川県
    "\x88\xA4\x92\x6D\x8C\xA7",         // 愛知県
    "\x95\x9F\x89\xAA\x8C\xA7",         // 福岡県
    "\x89\xAB\x93\xEA\x8C\xA7",         // 沖縄県
    "\x8B\x9E\x93\x73\x95\x7B",         // 京都府
    "\x95\xBA\x8C\xC9\x8C\xA7",         // 兵庫県
    "\x95\x5C\x8E\x51\x93\xB9",         // 表参道
    "\x94\x5C\x93\x6F",                 // 能登
};

constexpr std::string_view kThemes[] = {
    "\x82\xC8\x82\xF1\x82\xC5\x82\xE0\x82\x6E\x82\x6A",         // なんでもＯＫ
    "\x97\x46\x92\x42\x95\xE5\x8F\x57",                         // 友達募集
    "\x83\x5C\x83\x74\x83\x67\x82\xC8\x98\x62",                 // ソフトな話
    "\x95\x5C\x8C\xBB\x82\xCC\x8E\xA9\x97\x52",                 // 表現の自由
    "\x94\x5C\x82\xA0\x82\xE9\x91\xE9",                         // 能ある鷹
    "\x8E\xEF\x96\xA1\x82\xCC\x98\x62",                         // 趣味の話
    "\x8E\x47\x92\x6B\x82\xB5\x82\xDC\x82\xB5\x82\xE5\x82\xA4", // 雑談しましょう
    "\x90\x5C\x82\xB5\x8D\x9E\x82\xDD\x8A\xBD\x8C\x7D",         // 申し込み歓迎
    "\x97\xF6\x88\xA4\x91\x8A\x92\x6B",                         // 恋愛相談
    "\x83\x51\x81\x5B\x83\x80\x82\xCC\x98\x62",                 // ゲームの話
};

constexpr std::string_view kPhrases[] = {
    "\x82\xCD\x82\xB6\x82\xDF\x82\xDC\x82\xB5\x82\xC4\x81\x49",                                 // はじめまして！
    "\x97\xAF\x8E\xE7\x94\xD4\x83\x81\x83\x62\x83\x5A\x81\x5B\x83\x57\x82\xA8\x8A\xE8\x82\xA2\x82\xB5\x82\xDC\x82\xB7", // 留守番メッセージお願いします
    "\x96\xE9\x82\xCD\x82\xBE\x82\xA2\x82\xBD\x82\xA2\x82\xA2\x82\xDC\x82\xB7\x81\x42",         // 夜はだいたいいます。
    "\x8B\x43\x8C\x79\x82\xC9\x90\xBA\x82\xF0\x82\xA9\x82\xAF\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42", // 気軽に声をかけてください。
    "\x89\x66\x89\xE6\x82\xC6\x89\xB9\x8A\x79\x82\xAA\x8D\x44\x82\xAB\x82\xC5\x82\xB7\x81\x42", // 映画と音楽が好きです。
    "\x83\x5C\x83\x74\x83\x67\x83\x65\x83\x6A\x83\x58\x82\xE2\x82\xC1\x82\xC4\x82\xDC\x82\xB7", // ソフトテニスやってます
    "\x95\x5C\x8C\xBB\x82\xB7\x82\xE9\x82\xCC\x82\xAA\x8B\xEA\x8E\xE8\x82\xC5\x82\xB7",         // 表現するのが苦手です
    "\x8E\x64\x8E\x96\x82\xCD\x8B\x40\x94\x5C\x90\xDD\x8C\x76\x81\x42",                         // 仕事は機能設計。
    "\x90\x5C\x82\xB5\x96\xF3\x82\xC8\x82\xA2\x82\xAF\x82\xC7\x95\xD4\x90\x4D\x82\xCD\x92\x78\x82\xDF\x82\xC5\x82\xB7", // 申し訳ないけど返信は遅めです
    " (^-^) ",
    "PM10:00-AM1:00 ",
    "\x82\xE6\x82\xEB\x82\xB5\x82\xAD\x82\xCB\x81\x99",                                         // よろしくね☆
};

template <std::size_t N>
std::string_view pick(const std::string_view (&list)[N], unsigned long long seed)
{
    return list[seed % N];
}

unsigned long long mix(unsigned long long x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::string memberRow(long long number, unsigned long long seed)
{
    // Now and then the number stands between line breaks, as some pages write it.
    const std::string numberCell = seed % 8 ? MemberNumber(number) : "\r\n" + MemberNumber(number) + "\r\n";
    const bool decade = seed & 16;
    std::string row = "<tr><td><img src=";
    row += seed % 3 ? "on.gif" : "off.gif";
    row += "></td><td>" + numberCell + "</td><td><img src=";
    row += seed % 5 == 0 ? "q.gif" : (seed & 8 ? "female.gif" : "male.gif");
    row += "></td><td>";
    row += std::to_string(decade ? 10 * (1 + (seed >> 8) % 5) : 18 + (seed >> 8) % 40);
    row += decade ? "<img src=age_dai.gif>" : "<img src=age.gif>";
    row += "</td><td>";
    row += pick(kPlaces, seed >> 12);
    row += "</td><td>";
    row += pick(kThemes, seed >> 20);
    row += "</td></tr>\n";
    return row;
}

} // namespace

std::string MemberNumber(long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%010lld", value % 10000000000ll);
    return text;
}

std::string ListPage(long long firstNumber, long long step)
{
    std::string page = "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=Shift_JIS\r\nConnection: close\r\n\r\n"
                       "<html><head><title>people</title></head><body>\r\n";
    const std::size_t table = page.size();
    page += "<table border=1>\r\n<tr><th>\x8F\xF3</th><th>\x94\xD4\x8D\x86</th><th>\x90\xAB</th><th>\x94\x4E\x97\xEE</th>"
            "<th>\x8F\xEA\x8F\x8A</th><th>\x83\x65\x81\x5B\x83\x7D</th></tr>\r\n"; // 状 番号 性 年齢 場所 テーマ
    for (long long i = 0; page.size() - table < kListWindow; ++i)
        page += memberRow(firstNumber + i * step, mix(static_cast<unsigned long long>(firstNumber + i * step)));
    page += "</table>\r\n</body></html>\r\n";
    return page;
}

int ListPageRows(const std::string& page)
{
    const std::string_view window = std::string_view(page).substr(page.find("table"), kListWindow);
    int rows = -1; // the heading row
    for (std::size_t at = window.find("<tr>"); at != std::string_view::npos; at = window.find("<tr>", at + 1))
        if (window.find("</tr>", at) != std::string_view::npos)
            ++rows;
    return rows;
}

std::string ProfileText(long long seed)
{
    std::string text;
    unsigned long long state = mix(static_cast<unsigned long long>(seed));
    while (text.size() < 280) {
        text += pick(kPhrases, state);
        state = mix(state);
    }
    return text;
}

std::vector<std::string> ProfileLines(long long firstNumber, int count)
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        lines.push_back(MemberNumber(firstNumber + i) + "=" + ProfileText(firstNumber + i));
    return lines;
}

} // namespace bench
