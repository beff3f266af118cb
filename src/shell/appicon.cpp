#include "appicon.h"

#include "platform/failure.h"

#include <QImageReader>
#include <QPixmap>

static void initResources()
{
    // The resources live in a static library, whose initialiser the linker may drop.
    Q_INIT_RESOURCE(resources);
}

QIcon applicationIcon()
{
    initResources();
    QImageReader reader(QStringLiteral(":/icons/span-meter.ico"));
    QIcon icon;
    for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
        QImage image = reader.read();
        // Qt reads a 24-bit icon image without its transparency mask; the masked pixels are the
        // only pure black ones in our icon, so the mask can be restored from them.
        if (image.text(QStringLiteral("_q_icoOrigDepth")) == QLatin1String("24"))
            image.setAlphaChannel(image.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskOutColor));
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    if (icon.availableSizes().isEmpty())
        throw Failure(QStringLiteral("File not found: span-meter.ico"));
    return icon;
}
