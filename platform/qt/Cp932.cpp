#include "Cp932.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace qx {

namespace {

// One converter per direction, opened on first use; the program converts on
// the user-interface thread only.
class Converter {
public:
    Converter(const char* to, const char* from)
        : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv: code page 932 is not available");
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in, calling onInvalid for each byte that cannot be converted
    // (it appends its replacement to out and the byte is skipped).
    template<typename OnInvalid>
    std::string convert(std::string_view in, OnInvalid onInvalid)
    {
        std::string out;
        out.reserve(in.size() * 2 + 16);
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[4096];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                onInvalid(out, src, srcLeft);
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        return out;
    }

private:
    iconv_t m_cd;
};

} // namespace

QString ToUnicode(std::string_view ansi)
{
    static Converter toUtf16("UTF-16LE", "CP932");
    const std::string utf16 = toUtf16.convert(ansi, [](std::string& out, char*& src, std::size_t& left) {
        out.append("\xFD\xFF", 2);
        ++src;
        --left;
    });
    return QString(reinterpret_cast<const QChar*>(utf16.data()), static_cast<qsizetype>(utf16.size() / 2));
}

std::string FromUnicode(const QString& text)
{
    static Converter fromUtf16("CP932", "UTF-16LE");
    const std::string_view utf16(reinterpret_cast<const char*>(text.utf16()), static_cast<std::size_t>(text.size()) * 2);
    return fromUtf16.convert(utf16, [](std::string& out, char*& src, std::size_t& left) {
        // Skip one UTF-16 unit, or a whole surrogate pair.
        std::size_t skip = 2;
        if (left >= 4) {
            const auto hi = static_cast<unsigned char>(src[1]);
            if (hi >= 0xD8 && hi <= 0xDB)
                skip = 4;
        }
        skip = skip > left ? left : skip;
        out.push_back('?');
        src += skip;
        left -= skip;
    });
}

} // namespace qx
