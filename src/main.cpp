#include "platform/realplatform.h"
#include "shell/application.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication qtApplication(argc, argv);
    // Ties the windows to the installed desktop entry, for the taskbar's icon and grouping.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.span_meter.SpanMeter"));
    RealPlatform platform;
    Application application(platform.platform());
    application.start();
    return QApplication::exec();
}
