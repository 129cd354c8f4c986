#include "FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>
#include <system_error>

namespace qx {

FontConfigWarmUp::FontConfigWarmUp()
{
    try {
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
    }
}

void FontConfigWarmUp::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace qx
