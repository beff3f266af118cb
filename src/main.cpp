#include "platform/realplatform.h"
#include "shell/application.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication qtApplication(argc, argv);
    RealPlatform platform;
    Application application(platform.platform());
    application.start();
    return QApplication::exec();
}
