#include "app/service_key_sequence.h"

namespace kv {

bool ServiceKeySequence::press(QChar key)
{
    if (key == QChar(m_keys.opening))
        ++m_count;
    else if (key == QChar(m_keys.followUp) && (m_count == 1 || m_count == 2))
        ++m_count;
    else
        m_count = 0;
    return m_count == kServiceKeyRevealCount;
}

}  // namespace kv
