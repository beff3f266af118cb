// The yardstick for start-up time and memory: the least a Qt Widgets window costs on this
// machine, one label and nothing else, at the main window's size so both draw the same area.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("Bare window"));
    label.setWindowTitle(QStringLiteral("Bare Qt Widgets window"));
    label.resize(536, 198);
    label.show();
    return QApplication::exec();
}
