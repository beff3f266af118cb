#pragma once

#include "platform/platform.h"

#include <QString>

// The skin engine: a skin file holds a Qt style sheet, which the engine loads and applies to the
// window it is handed.
//   call 2 (path, ini section): load the skin file     property 1: option flags
//   call 3 (window handle): apply the skin             properties 5, 10: switches
class StyleSheetSkinEngine : public SkinEngine
{
public:
    static constexpr int loadSkin = 2;
    static constexpr int applyWindow = 3;
    static constexpr int options = 1;
    static constexpr int applyOptions = 5;
    static constexpr int applyMetrics = 10;
    static constexpr qint64 largestSkinFile = 1024 * 1024;

    explicit StyleSheetSkinEngine(WindowHandles& windows) : m_windows(windows) {}

    QVariant call(int dispatchId, const QVariantList& arguments) override;
    QVariant property(int dispatchId) const override;
    void setProperty(int dispatchId, const QVariant& value) override;

    const QString& styleSheet() const { return m_styleSheet; }

private:
    void load(const QString& path);
    void apply(std::int32_t handle);

    WindowHandles& m_windows;
    QString m_styleSheet;
    std::int32_t m_options = 0;
    bool m_applyOptions = false;
    bool m_applyMetrics = false;
};
