#include "ui/main_window.h"

#include "chart/chart_area.h"
#include "flow/window/number_text.h"
#include "flow/window/rayleigh.h"
#include "ui/about_window.h"
#include "ui/look.h"
#include "ui/wrapping_button.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

namespace ui {
namespace {

template<typename Widget> Widget *place(Widget *widget, const char *name, QRect geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    return place(new QLabel(text, parent), name, geometry);
}

QLineEdit *textBox(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *box = place(new QLineEdit(parent), name, geometry);
    // Blanks may stand anywhere in a number, so no length is too long to read.
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setText(text);
    return box;
}

double readNumber(const QLineEdit *box) { return flow::ParseNumber(box->text().toStdString()); }

void hideAll(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *w : widgets)
        w->hide();
}

// A result longer than its box shows its leading digits, not its last ones.
void writeResult(QLineEdit *box, const QString &text)
{
    box->setText(text);
    box->home(false);
}

} // namespace

QString faultMessage(const flow::ArithmeticFault &fault)
{
    switch (fault.kind()) {
    case flow::ArithmeticFault::Kind::DivisionByZero:
        return QStringLiteral("Division by zero: the calculation was stopped.");
    case flow::ArithmeticFault::Kind::Overflow:
        return QStringLiteral("Overflow: the calculation was stopped.");
    case flow::ArithmeticFault::Kind::NoRealValue:
        return QStringLiteral("No real value: the calculation was stopped.");
    }
    return QString::fromUtf8(fault.what());
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form_Kalvenor"));
    setWindowTitle(QStringLiteral("Bir-boyutlu kalvenorlar"));
    setFont(defaultFont());
    // In the order of their containers: it decides which control lies on top.
    buildInputs();
    buildChart();
    buildRatioBoxes();
    setUpTabOrder();
    connectHandlers();
    setAccessibleNames();
    Form_Load();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildInputs()
{
    auto *client = new QWidget(this);
    client->setFixedSize(twips(0, 0, 3825, 5580).size());
    setCentralWidget(client);
    Mn_About = menuBar()->addAction(QStringLiteral("&About"));
    Mn_About->setObjectName(QStringLiteral("Mn_About"));
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Frame3 = place(new QGroupBox(client), "Frame3", twips(120, 120, 1335, 615));
    // The Greek letters themselves: a Symbol font that turns g into gamma is
    // not on every machine.
    Label_gama = label(Frame3, "Label_gama", QStringLiteral("γ ="), twips(120, 240, 495, 255));
    Text_gama = textBox(Frame3, "Text_gama", QStringLiteral("1.4"), twips(480, 240, 495, 285));

    Frame2 = place(new QGroupBox(QStringLiteral("Input Options"), client), "Frame2", twips(120, 840, 1335, 1095));
    Option_M = place(new QRadioButton(QStringLiteral("M"), Frame2), "Option_M", twips(240, 360, 495, 255));
    Option_ToToStar
        = place(new QRadioButton(QStringLiteral("To/To*"), Frame2), "Option_ToToStar", twips(240, 720, 855, 255));

    Command1 = place(
        new WrappingButton(QStringLiteral("Coose an Input Option"), client), "Command1", twips(120, 2040, 1335, 615));
}

void MainWindow::buildChart()
{
    Picture1 = new chart::ChartArea(twips(120, 2760, 3495, 2295), kPaleYellow, centralWidget());
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Label8 = label(Picture1, "Label8", QStringLiteral("To/To*"), twips(480, 120, 495, 255));
    Label7 = label(Picture1, "Label7", QStringLiteral("M "), twips(2040, 1920, 255, 255));
    for (QLabel *caption : {Label8, Label7}) {
        // Placed in the area inside the chart's border, as the drawing is.
        caption->move(caption->pos() + Picture1->contentsRect().topLeft());
        caption->setFont(arialItalic());
        setBackground(caption, kPaleYellow);
    }
}

void MainWindow::buildRatioBoxes()
{
    Frame1 = place(new QGroupBox(centralWidget()), "Frame1", twips(1560, 120, 2055, 2535));
    Label_M = label(Frame1, "Label_M", QStringLiteral("M ="), twips(120, 240, 375, 255));
    Text_M = textBox(Frame1, "Text_M", QStringLiteral("1"), twips(600, 240, 615, 285));
    // Text_Msup is made later, so it lies on top of the pixel they share.
    Text_Msup = textBox(Frame1, "Text_Msup", QString(), twips(1200, 240, 615, 285));
    // Digits set closer, so that a Mach number such as 0.68844 fits these
    // narrow boxes; spacing, unlike a condensed face, loads no other font.
    QFont closer = defaultFont();
    closer.setLetterSpacing(QFont::AbsoluteSpacing, -0.8);
    Text_M->setFont(closer);
    Text_Msup->setFont(closer);
    Text_Msup->hide();
    Label_PPstar = label(Frame1, "Label_PPstar", QStringLiteral("p/p*  ="), twips(120, 600, 495, 255));
    Text_PPstar = textBox(Frame1, "Text_PPstar", QStringLiteral("1"), twips(960, 600, 855, 285));
    Label_TTstar = label(Frame1, "Label_TTstar", QStringLiteral("T/T*  ="), twips(120, 960, 615, 255));
    Text_TTstar = textBox(Frame1, "Text_TTstar", QStringLiteral("1"), twips(960, 960, 855, 285));
    Label_RoRoStar = label(Frame1, "Label_RoRoStar", QStringLiteral("ρ/ρ*    ="), twips(120, 1320, 495, 255));
    // Set a little tighter: with its four blanks the caption is wider than its box.
    QFont tighter = defaultFont();
    tighter.setLetterSpacing(QFont::AbsoluteSpacing, -0.7);
    Label_RoRoStar->setFont(tighter);
    Text_RoRoStar = textBox(Frame1, "Text_RoRoStar", QStringLiteral("1"), twips(960, 1320, 855, 285));
    Label_ToToStar = label(Frame1, "Label_ToToStar", QStringLiteral("To/To*="), twips(120, 1680, 735, 255));
    Text_ToToStar = textBox(Frame1, "Text_ToToStar", QStringLiteral("1"), twips(960, 1680, 855, 285));
    Label_PoPoStar = label(Frame1, "Label_PoPoStar", QStringLiteral("Po/Po*="), twips(120, 2040, 735, 255));
    Text_PoPoStar = textBox(Frame1, "Text_PoPoStar", QStringLiteral("1"), twips(960, 2040, 855, 285));
}

void MainWindow::setUpTabOrder()
{
    // The chart has no keyboard action, so it stays out of the tab chain.
    Picture1->setFocusPolicy(Qt::NoFocus);
    QWidget *const chain[] = {Text_TTstar, Text_PPstar, Text_RoRoStar, Text_PoPoStar, Text_M, Text_Msup, Text_ToToStar,
        Option_M, Option_ToToStar, Command1, Text_gama};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    Text_TTstar->setFocus();
}

void MainWindow::connectHandlers()
{
    connect(Mn_About, &QAction::triggered, this, &MainWindow::Mn_About_Click);
    // Only on becoming selected: clicking the chosen button again must not
    // blank what was typed.
    connect(Option_M, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            Option_M_Click();
    });
    connect(Option_ToToStar, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            Option_ToToStar_Click();
    });
    connect(Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    for (QLineEdit *input : {Text_gama, Text_M, Text_ToToStar})
        connect(input, &QLineEdit::returnPressed, Command1, &QPushButton::click);
    connect(Picture1, &chart::ChartArea::clicked, this, &MainWindow::Picture1_Click);
}

void MainWindow::setAccessibleNames()
{
    // What a screen reader says is what the eye reads beside each box.
    const std::pair<QWidget *, const char *> spoken[] = {{Text_gama, "γ"}, {Text_M, "M"}, {Text_Msup, "M supersonic"},
        {Text_PPstar, "p/p*"}, {Text_TTstar, "T/T*"}, {Text_RoRoStar, "ρ/ρ*"}, {Text_ToToStar, "To/To*"},
        {Text_PoPoStar, "Po/Po*"}, {Picture1, "Chart of To/To* against M"}};
    for (const auto &[widget, name] : spoken)
        widget->setAccessibleName(QString::fromUtf8(name));
}

void MainWindow::Form_Load()
{
    calculator.M = 1;
    calculator.ToToStar = 1;
}

void MainWindow::oranlar()
{
    if (const auto r = calculator.oranlar())
        showRatios(*r);
}

void MainWindow::Graph()
{
    // The procedure on its own, as the handlers never call it: like oranlar,
    // it leaves its fault to the caller.
    const Calculator::Drawn drawn = calculator.Graph(surface());
    if (drawn.ratios)
        showRatios(*drawn.ratios);
    if (drawn.fault)
        throw *drawn.fault;
}

void MainWindow::Option_M_Click()
{
    Label_M->show();
    hideAll({Label_PPstar, Label_TTstar, Label_RoRoStar, Label_PoPoStar, Label_ToToStar});
    Text_M->show();
    hideAll({Text_Msup, Text_PPstar, Text_TTstar, Text_RoRoStar, Text_PoPoStar, Text_ToToStar});
    Text_M->setText(QStringLiteral(" "));
    setBackground(Text_M, kWhite);
    for (QLineEdit *box : {Text_PPstar, Text_TTstar, Text_RoRoStar, Text_PoPoStar, Text_ToToStar})
        setBackground(box, kGrey);
    Command1->setText(QStringLiteral("Input value then CLICK"));
    focusInput(Text_M);
}

void MainWindow::Option_ToToStar_Click()
{
    hideAll({Label_M, Label_PPstar, Label_TTstar, Label_RoRoStar, Label_PoPoStar});
    Label_ToToStar->show();
    hideAll({Text_M, Text_Msup, Text_PPstar, Text_TTstar, Text_RoRoStar, Text_PoPoStar});
    Text_ToToStar->show();
    Text_ToToStar->setText(QStringLiteral(" "));
    for (QLineEdit *box : {Text_M, Text_Msup, Text_PPstar, Text_TTstar, Text_RoRoStar, Text_PoPoStar})
        setBackground(box, kGrey);
    setBackground(Text_ToToStar, kWhite);
    Command1->setText(QStringLiteral("Input value then CLICK"));
    focusInput(Text_ToToStar);
}

void MainWindow::Command1_Click()
{
    guarded([this] {
        calculator.gama = readNumber(Text_gama);
        if (!Option_M->isChecked() && !Option_ToToStar->isChecked()) {
            showMessage(QStringLiteral("choose an input parameter"));
            return;
        }
        for (QWidget *w :
            std::initializer_list<QWidget *> {Label_M, Label_PPstar, Label_TTstar, Label_RoRoStar, Label_PoPoStar,
                Label_ToToStar, Text_M, Text_PPstar, Text_TTstar, Text_RoRoStar, Text_PoPoStar, Text_ToToStar})
            w->show();
        if (Option_M->isChecked())
            calculateFromMach();
        else
            calculateFromToToStar();
    });
}

void MainWindow::calculateFromMach()
{
    calculator.M = readNumber(Text_M);
    // Without this the marker would stand at the chart's last point.
    if (calculator.M <= 0) {
        showMessage(QStringLiteral("M must be greater than 0"));
        return;
    }
    showDrawn(calculator.graphWithPoint(surface()));
}

void MainWindow::calculateFromToToStar()
{
    calculator.ToToStar = readNumber(Text_ToToStar);
    if (calculator.ToToStar > 1) {
        showMessage(QStringLiteral("To/To* must be equal 1 or lower then 1"));
        return;
    }
    Text_Msup->show();
    const flow::MachNumbers mach = calculator.machNumbers();
    writeResult(Text_M, format(mach.Msub));
    if (mach.Msup) {
        writeResult(Text_Msup, format(*mach.Msup));
    } else {
        showMessage(QStringLiteral("Süpersonik çözüm yok"));
        Text_Msup->setText(QStringLiteral(" "));
    }
}

void MainWindow::Picture1_Click()
{
    guarded([this] {
        // Before any calculation the chart is drawn for the gama the box
        // shows; gama itself is set only by a calculation.
        const double g = calculator.gama ? *calculator.gama : readNumber(Text_gama);
        showDrawn(calculator.graphWithSonicPoint(surface(), g));
    });
}

AboutWindow *MainWindow::aboutWindow() const { return m_about; }

void MainWindow::Mn_About_Click()
{
    if (!m_about) {
        // No parent: it outlives the main window, and the program ends when
        // the last of them closes.
        m_about = new AboutWindow;
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

chart::DrawingSurface &MainWindow::surface() { return m_surface ? *m_surface : Picture1->surface(); }

QString MainWindow::format(double value) const
{
    return QString::fromStdString(flow::FormatResult(value, QLocale().decimalPoint().toStdString()));
}

void MainWindow::showRatios(const flow::RayleighRatios &r)
{
    writeResult(Text_TTstar, format(r.TTstar));
    writeResult(Text_PPstar, format(r.PPstar));
    writeResult(Text_RoRoStar, format(r.RoRoStar));
    writeResult(Text_PoPoStar, format(r.PoPoStar));
    writeResult(Text_ToToStar, format(r.ToToStar));
}

void MainWindow::showDrawn(const Calculator::Drawn &drawn)
{
    if (drawn.ratios)
        showRatios(*drawn.ratios);
    if (drawn.fault)
        showMessage(faultMessage(*drawn.fault));
}

void MainWindow::focusInput(QLineEdit *box)
{
    // Queued: an arrow key selects a mode first and moves the focus to its
    // button afterwards.
    QMetaObject::invokeMethod(
        this,
        [box] {
            box->setFocus();
            box->selectAll(); // typing replaces the blank
        },
        Qt::QueuedConnection);
}

void MainWindow::showMessage(const QString &text)
{
    if (m_messageSink) {
        m_messageSink(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kalvenor"), text, QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setIcon(QIcon()); // some desktops decorate it
    box.exec();
}

void MainWindow::guarded(const std::function<void()> &body)
{
    try {
        body();
    } catch (const flow::ArithmeticFault &fault) {
        showMessage(faultMessage(fault));
    }
}

} // namespace ui
