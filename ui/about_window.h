#pragma once

#include <QWidget>

class QLabel;

namespace ui {

// Form_About: what the program calculates and where comments go.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);

    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label7;
    QLabel *Label8;
    QLabel *Label4;
    QLabel *Label5;
};

} // namespace ui
