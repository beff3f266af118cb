#include "appicon.h"

#include "base/failure.h"

#include <QImageReader>
#include <QPixmap>
#include <vector>

static void initResources()
{
    // The resources live in a static library, whose initialiser the linker may drop.
    Q_INIT_RESOURCE(resources);
}

namespace {
// Decoded once: every window load asks for the icon, and the file is 100 kB of images. Images, not
// pixmaps, may outlive the application object.
const std::vector<QImage>& iconImages()
{
    static const std::vector<QImage> images = [] {
        initResources();
        std::vector<QImage> decoded;
        QImageReader reader(QStringLiteral(":/icons/span-meter.ico"));
        for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
            // Qt reads a 24-bit icon image, which it tells by the format it gives before reading,
            // without its transparency mask; the masked pixels are the only pure black ones in our
            // icon, so the mask can be restored from them.
            const bool withoutMask = reader.imageFormat() == QImage::Format_RGB32;
            QImage image = reader.read();
            if (withoutMask)
                image.setAlphaChannel(image.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskOutColor));
            if (!image.isNull())
                decoded.push_back(image);
        }
        return decoded;
    }();
    return images;
}
} // namespace

QIcon applicationIcon()
{
    QIcon icon;
    for (const QImage& image : iconImages())
        icon.addPixmap(QPixmap::fromImage(image));
    if (icon.availableSizes().isEmpty())
        throw Failure(QStringLiteral("File not found: span-meter.ico"));
    return icon;
}
