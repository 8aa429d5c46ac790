// Start-up probe: the smallest form a Qt Widgets calculator could have, the
// yardstick for the real window.
#include "first_paint.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QuitAfterFirstPaint quit;
    app.installEventFilter(&quit);
    QWidget form;
    auto *layout = new QVBoxLayout(&form);
    layout->addWidget(new QLabel(QStringLiteral("M =")));
    layout->addWidget(new QLineEdit(QStringLiteral("1")));
    layout->addWidget(new QPushButton(QStringLiteral("Calculate")));
    form.show();
    return app.exec();
}
