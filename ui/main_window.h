#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace chart {
class ChartArea;
}

namespace flow {
class ArithmeticFault;
struct RayleighRatios;
} // namespace flow

namespace ui {

class AboutWindow;
class WrappingButton;

// Form_Kalvenor: holds the whole state of the program and every control.
// Handlers read boxes, call the flow functions and write boxes.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Every message of the program passes here; tests answer it instead of
    // a modal box.
    using MessageSink = std::function<void(const QString &)>;
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }

    std::optional<double> gama; // empty until the first calculation: counts as 0
    double M = 0;
    double ToToStar = 0;

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
    void buildControls();
    // oranlar in two halves: the ratios for M with ToToStar stored, and the
    // five boxes written.
    std::optional<flow::RayleighRatios> storeRatios(double g);
    // oranlar and Graph for a gama of the caller's.
    void oranlar(double g);
    void Graph(double g);
    // Keyboard focus to the chosen mode's input box, its text selected.
    void focusInput(QLineEdit *box);
    void showRatios(const flow::RayleighRatios &r);
    void showMessage(const QString &text);
    // Runs a handler body; an arithmetic fault stops it and is reported.
    void guarded(const std::function<void()> &body);
    double gamaValue() const { return gama.value_or(0.0); }
    QString format(double value) const;

    MessageSink m_messageSink;
    QPointer<AboutWindow> m_about;
};

// The sentence shown for an arithmetic fault that stopped a calculation.
QString faultMessage(const flow::ArithmeticFault &fault);

} // namespace ui
