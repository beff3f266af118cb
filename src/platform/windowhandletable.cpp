#include "windowhandletable.h"

std::int32_t WindowHandleTable::handleOf(QWidget& window)
{
    for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it)
        if (it.value() == &window)
            return it.key();
    m_windows.insert(++m_lastHandle, &window);
    return m_lastHandle;
}

QWidget* WindowHandleTable::windowOf(std::int32_t handle) const
{
    return m_windows.value(handle);
}
