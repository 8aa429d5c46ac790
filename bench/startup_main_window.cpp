// Start-up probe: the calculator's own window, shown until its first paint.
#include "first_paint.h"
#include "ui/look.h"
#include "ui/main_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ui::setUpApplication();
    QuitAfterFirstPaint quit;
    app.installEventFilter(&quit);
    ui::MainWindow window;
    window.show();
    return app.exec();
}
