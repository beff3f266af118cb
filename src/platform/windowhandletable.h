#pragma once

#include "platform/platform.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

// Numbers each window the first time it is asked for, from 1 up; a number never names another.
class WindowHandleTable : public WindowHandles
{
public:
    std::int32_t handleOf(QWidget& window) override;
    QWidget* windowOf(std::int32_t handle) const override;

private:
    QHash<std::int32_t, QPointer<QWidget>> m_windows;
    std::int32_t m_lastHandle = 0;
};
