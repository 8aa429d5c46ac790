#pragma once

#include "ui/calculator.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace chart {
class ChartArea;
class DrawingSurface;
} // namespace chart

namespace ui {

class AboutWindow;
class WrappingButton;

// Form_Kalvenor: every control of the program and its handlers. Each
// handler reads boxes, asks the calculator and writes boxes and messages.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Every message of the program passes here; tests answer it instead of
    // a modal box.
    using MessageSink = std::function<void(const QString &)>;
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }
    // The chart is drawn here instead of on Picture1, while surface is set:
    // tests record the drawing with it.
    void setSurface(chart::DrawingSurface *surface) { m_surface = surface; }

    Calculator calculator; // gama, M and ToToStar, and what is done with them

    void Form_Load();
    void oranlar();
    void Graph();

    void Option_M_Click();
    void Option_ToToStar_Click();
    void Command1_Click();
    void Picture1_Click();
    void Mn_About_Click();

    AboutWindow *aboutWindow() const;

    QGroupBox *Frame3;
    QLabel *Label_gama;
    QLineEdit *Text_gama;
    QGroupBox *Frame2;
    QRadioButton *Option_M;
    QRadioButton *Option_ToToStar;
    WrappingButton *Command1;
    chart::ChartArea *Picture1;
    QLabel *Label8;
    QLabel *Label7;
    QGroupBox *Frame1;
    QLabel *Label_M;
    QLineEdit *Text_M;
    QLineEdit *Text_Msup;
    QLabel *Label_PPstar;
    QLineEdit *Text_PPstar;
    QLabel *Label_TTstar;
    QLineEdit *Text_TTstar;
    QLabel *Label_RoRoStar;
    QLineEdit *Text_RoRoStar;
    QLabel *Label_ToToStar;
    QLineEdit *Text_ToToStar;
    QLabel *Label_PoPoStar;
    QLineEdit *Text_PoPoStar;
    QAction *Mn_About;

private:
    void buildInputs();
    void buildChart();
    void buildRatioBoxes();
    void setUpTabOrder();
    void connectHandlers();
    void setAccessibleNames();

    // Command1_Click's two modes.
    void calculateFromMach();
    void calculateFromToToStar();

    chart::DrawingSurface &surface();
    QString format(double value) const;
    void showRatios(const flow::RayleighRatios &r);
    // The drawing's last ratios into the boxes, then its fault, if one
    // stopped it; each handler calls it last.
    void showDrawn(const Calculator::Drawn &drawn);
    // Keyboard focus to the chosen mode's input box, its text selected.
    void focusInput(QLineEdit *box);
    void showMessage(const QString &text);
    // Runs a handler body; a fault thrown outside a drawing stops it and is
    // reported.
    void guarded(const std::function<void()> &body);

    MessageSink m_messageSink;
    QPointer<AboutWindow> m_about;
    chart::DrawingSurface *m_surface = nullptr;
};

// The sentence shown for an arithmetic fault that stopped a calculation.
QString faultMessage(const flow::ArithmeticFault &fault);

} // namespace ui
