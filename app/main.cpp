#include "ui/main_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion")); // the same look on every desktop
    ui::MainWindow window;
    window.show();
    return app.exec();
}
