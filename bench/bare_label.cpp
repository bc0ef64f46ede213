// The bare baseline for start-up, memory and idle figures: a Qt Widgets
// program that shows one label and waits.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Vorlet"));
    label.show();
    return app.exec();
}
