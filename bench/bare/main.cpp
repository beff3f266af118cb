// The yardstick for start-up time and memory: the least a Qt Widgets window costs on this
// machine, one label and nothing else. The title only lets the timer find the window.
// With --main-window-size it takes the main window's client size instead of its own. Qt then
// needs no text measurement before mapping it and measures the text only when drawing it, so
// that variant maps sooner without drawing its first frame any sooner.
#include <QApplication>
#include <QLabel>
#include <cstring>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("Bare window"));
    label.setWindowTitle(QStringLiteral("Bare Qt Widgets window"));
    if (argc > 1 && std::strcmp(argv[1], "--main-window-size") == 0)
        label.resize(536, 198);
    label.show();
    return QApplication::exec();
}
