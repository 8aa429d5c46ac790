#include "chart/chart_area.h"
#include "ui/look.h"
#include "window_fixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "ui/wrapping_button.h"

namespace {

// Chooses a mode as a user does, by clicking its button.
void choose(QRadioButton *option) { QTest::mouseClick(option, Qt::LeftButton); }

void calculate(MainWindow &w) { QTest::mouseClick(w.Command1, Qt::LeftButton); }

// Calculates in the To/To* mode with this text in its box.
void calculateRatio(MainWindow &w, const QString &typed)
{
    if (!w.Option_ToToStar->isChecked())
        choose(w.Option_ToToStar);
    w.Text_ToToStar->setText(typed);
    calculate(w);
}

QList<QWidget *> visibleInFrame1(const MainWindow &w)
{
    QList<QWidget *> shown;
    for (QWidget *child : w.Frame1->findChildren<QWidget *>())
        if (child->isVisible())
            shown << child;
    return shown;
}

} // namespace

class CalculateTest : public OffscreenTest {
    Q_OBJECT
private slots:
    void initTestCase() { ui::setUpApplication(); }

    void modeButtonsPrepareTheirInputBox();
    void modeSwitchSequence();
    void choosingTheChosenModeAgainKeepsTheInput_data();
    void choosingTheChosenModeAgainKeepsTheInput();
    void noModeChosen();
    void machModeShowsRatiosAndMarksThePoint();
    void machModeRefusesMachAtOrBelowZero_data();
    void machModeRefusesMachAtOrBelowZero();
    void machModeFaultIsReported();
    void ratioModeFindsBothMachNumbers_data();
    void ratioModeFindsBothMachNumbers();
    void ratioModeWithoutSupersonicSolution_data();
    void ratioModeWithoutSupersonicSolution();
    void ratioModeAboveOne();
    void ratioModeAtTheLimit();
    void gamaIsCapturedOnEveryPress();
    void longInputIsReadWhole();
    void realMessageBoxIsModalWithOnlyOk();
};

void CalculateTest::modeButtonsPrepareTheirInputBox()
{
    Fixture f;
    f.w.show();
    choose(f.w.Option_M);
    QVERIFY(f.w.Option_M->isChecked());
    QCOMPARE(visibleInFrame1(f.w), (QList<QWidget *> {f.w.Label_M, f.w.Text_M}));
    QCOMPARE(f.w.Text_M->text(), QStringLiteral(" "));
    QCOMPARE(base(f.w.Text_M), kWhite);
    for (QLineEdit *box : {f.w.Text_PPstar, f.w.Text_TTstar, f.w.Text_RoRoStar, f.w.Text_PoPoStar, f.w.Text_ToToStar})
        QCOMPARE(base(box), kGrey);
    QCOMPARE(base(f.w.Text_Msup), kWhite); // untouched until the other mode
    QCOMPARE(f.w.Command1->text(), QStringLiteral("Input value then CLICK"));
    // Ratio boxes keep their text and the state is untouched.
    QCOMPARE(f.w.Text_TTstar->text(), QStringLiteral("1"));
    QVERIFY(!f.w.calculator.gama);

    choose(f.w.Option_ToToStar);
    QCOMPARE(visibleInFrame1(f.w), (QList<QWidget *> {f.w.Label_ToToStar, f.w.Text_ToToStar}));
    QCOMPARE(f.w.Text_ToToStar->text(), QStringLiteral(" "));
    QCOMPARE(base(f.w.Text_ToToStar), kWhite);
    for (QLineEdit *box :
        {f.w.Text_M, f.w.Text_Msup, f.w.Text_PPstar, f.w.Text_TTstar, f.w.Text_RoRoStar, f.w.Text_PoPoStar})
        QCOMPARE(base(box), kGrey);
    QCOMPARE(f.w.calculator.M, 1.0);
    QCOMPARE(f.w.calculator.ToToStar, 1.0);
}

void CalculateTest::modeSwitchSequence()
{
    Fixture f;
    f.w.show();
    f.w.Picture1_Click();
    const std::size_t drawn = f.drawing.calls.size();
    choose(f.w.Option_M);
    choose(f.w.Option_ToToStar);
    choose(f.w.Option_M);
    QCOMPARE(base(f.w.Text_M), kWhite);
    QCOMPARE(f.w.Text_M->text(), QStringLiteral(" "));
    QCOMPARE(base(f.w.Text_ToToStar), kGrey);
    QVERIFY(!f.w.Text_ToToStar->isVisible());
    QCOMPARE(base(f.w.Text_Msup), kGrey);
    QVERIFY(!f.w.Text_Msup->isVisible());
    QCOMPARE(f.drawing.calls.size(), drawn); // the chart is not cleared
}

void CalculateTest::choosingTheChosenModeAgainKeepsTheInput_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("box");
    QTest::newRow("M") << "Option_M"
                       << "Text_M";
    QTest::newRow("To/To*") << "Option_ToToStar"
                            << "Text_ToToStar";
}

void CalculateTest::choosingTheChosenModeAgainKeepsTheInput()
{
    QFETCH(QString, option);
    QFETCH(QString, box);
    Fixture f;
    f.w.show();
    auto *button = f.w.findChild<QRadioButton *>(option);
    choose(button);
    f.w.findChild<QLineEdit *>(box)->setText(QStringLiteral("0.5"));
    choose(button);
    QTest::keyClick(button, Qt::Key_Space);
    QVERIFY(button->isChecked());
    QCOMPARE(f.w.findChild<QLineEdit *>(box)->text(), QStringLiteral("0.5"));
}

void CalculateTest::noModeChosen()
{
    Fixture f;
    f.w.Text_gama->setText(QStringLiteral("1.3"));
    calculate(f.w);
    QCOMPARE(f.messages, QStringList {QStringLiteral("choose an input parameter")});
    QCOMPARE(*f.w.calculator.gama, 1.3);
    QCOMPARE(f.w.calculator.M, 1.0);
}

void CalculateTest::machModeShowsRatiosAndMarksThePoint()
{
    Fixture f;
    f.w.show();
    choose(f.w.Option_M);
    QTest::keyClicks(f.w.Text_M, QStringLiteral("2"));
    calculate(f.w);
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(ratioTexts(f.w), (QStringList {"0.52893", "0.36364", "0.6875", "1.5031", "0.79339"}));
    QCOMPARE(f.w.calculator.M, 2.0);
    QCOMPARE(f.w.Text_M->text(), QStringLiteral(" 2"));
    for (QWidget *shown : {static_cast<QWidget *>(f.w.Label_TTstar), static_cast<QWidget *>(f.w.Text_PoPoStar)})
        QVERIFY(shown->isVisible());
    QVERIFY(!f.w.Text_Msup->isVisible());
    QCOMPARE(base(f.w.Text_TTstar), kGrey); // shown as the mode button left them

    // The chart, then the point marked with guides to both axes.
    QCOMPARE(f.drawing.ops().first(), QStringLiteral("clear"));
    QCOMPARE(f.drawing.ops().mid(35), (QStringList {"circle", "line", "line"}));
    QCOMPARE(f.drawing.calls[35].x1, 2.0);
    QCOMPARE(f.drawing.calls[35].y1, single(-f.w.calculator.ToToStar));
}

void CalculateTest::machModeRefusesMachAtOrBelowZero_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("zero") << "0";
    QTest::newRow("blank") << " ";
    QTest::newRow("negative") << "-1";
    QTest::newRow("no number") << "abc";
}

void CalculateTest::machModeRefusesMachAtOrBelowZero()
{
    QFETCH(QString, typed);
    Fixture f;
    f.w.show();
    choose(f.w.Option_M);
    f.w.Text_TTstar->setText(QStringLiteral("kept"));
    f.w.Text_M->setText(typed);
    calculate(f.w);
    QCOMPARE(f.messages, QStringList {QStringLiteral("M must be greater than 0")});
    QCOMPARE(f.w.Text_TTstar->text(), QStringLiteral("kept"));
    QCOMPARE(f.w.calculator.ToToStar, 1.0);
    QVERIFY(f.drawing.calls.empty());
}

void CalculateTest::machModeFaultIsReported()
{
    Fixture f;
    f.w.show();
    f.w.Text_gama->setText(QStringLiteral("1,4")); // reads as 1: g / (g - 1)
    choose(f.w.Option_M);
    f.w.Text_M->setText(QStringLiteral("2"));
    calculate(f.w);
    QCOMPARE(f.messages, QStringList {QStringLiteral("Division by zero: the calculation was stopped.")});
    QCOMPARE(*f.w.calculator.gama, 1.0);
    QCOMPARE(f.w.calculator.M, 0.3);                                             // Graph stopped at its start point
    QCOMPARE(f.drawing.ops(), (QStringList {"clear", "scale", "line", "line"})); // the axes, no mark

    // Too large a number to read stops before anything else.
    f.messages.clear();
    f.w.Text_gama->setText(QStringLiteral("1.4"));
    f.w.Text_M->setText(QStringLiteral("1e400"));
    calculate(f.w);
    QCOMPARE(f.messages, QStringList {QStringLiteral("Overflow: the calculation was stopped.")});
    QCOMPARE(f.w.calculator.M, 0.3);

    // An M whose ratios overflow: the chart is redrawn, the boxes are kept.
    f.messages.clear();
    f.w.Text_M->setText(QStringLiteral("1e200"));
    calculate(f.w);
    QCOMPARE(f.messages, QStringList {QStringLiteral("Overflow: the calculation was stopped.")});
    QCOMPARE(f.w.Text_ToToStar->text(), QStringLiteral("0.65398"));
    for (QLineEdit *box : f.w.findChildren<QLineEdit *>())
        QVERIFY(!box->text().contains(QStringLiteral("inf"), Qt::CaseInsensitive));
}

void CalculateTest::ratioModeFindsBothMachNumbers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("msub");
    QTest::addColumn<QString>("msup");
    QTest::newRow("sonic") << "1"
                           << "1"
                           << "1";
    QTest::newRow("t_0.9") << "0.9"
                           << "0.68844"
                           << "1.53684";
    QTest::newRow("t_0.5") << "0.5"
                           << "0.38365"
                           << "13.03276";
}

void CalculateTest::ratioModeFindsBothMachNumbers()
{
    QFETCH(QString, typed);
    QFETCH(QString, msub);
    QFETCH(QString, msup);
    Fixture f;
    f.w.show();
    f.w.calculator.M = 2;
    f.w.Text_PPstar->setText(QStringLiteral("kept"));
    choose(f.w.Option_ToToStar);
    QTest::keyClicks(f.w.Text_ToToStar, typed);
    calculate(f.w);
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.w.Text_M->text(), msub);
    QCOMPARE(f.w.Text_Msup->text(), msup);
    QVERIFY(f.w.Text_Msup->isVisible());
    QCOMPARE(f.w.Text_Msup->cursorPosition(), 0); // leading digits in view
    // This mode neither draws nor touches M or the other boxes.
    QCOMPARE(f.w.calculator.M, 2.0);
    QCOMPARE(f.w.Text_PPstar->text(), QStringLiteral("kept"));
    QVERIFY(f.w.Text_PPstar->isVisible());
    QCOMPARE(f.w.Text_ToToStar->text(), QStringLiteral(" ") + typed);
    QVERIFY(f.drawing.calls.empty());
}

void CalculateTest::ratioModeWithoutSupersonicSolution_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("msub");
    QTest::newRow("t_0.3") << "0.3"
                           << "0.27427";
    // Calculating straight after choosing the mode: the blank reads as 0.
    QTest::newRow("blank") << " "
                           << "0";
}

void CalculateTest::ratioModeWithoutSupersonicSolution()
{
    QFETCH(QString, typed);
    QFETCH(QString, msub);
    Fixture f;
    f.w.show();
    choose(f.w.Option_ToToStar);
    f.w.Text_ToToStar->setText(typed);
    QStringList boxesWhenAsked;
    f.w.setMessageSink([&](const QString &text) {
        f.messages << text;
        boxesWhenAsked << f.w.Text_M->text() << f.w.Text_Msup->text();
    });
    calculate(f.w);
    QCOMPARE(f.messages, QStringList {QStringLiteral("Süpersonik çözüm yok")});
    // The subsonic value is already there when the message shows.
    QCOMPARE(boxesWhenAsked.first(), msub);
    QCOMPARE(f.w.Text_Msup->text(), QStringLiteral(" "));
}

void CalculateTest::ratioModeAboveOne()
{
    Fixture f;
    f.w.show();
    calculateRatio(f.w, QStringLiteral("1.2"));
    QCOMPARE(f.messages, QStringList {QStringLiteral("To/To* must be equal 1 or lower then 1")});
    QCOMPARE(f.w.calculator.ToToStar, 1.2);
    QVERIFY(!f.w.Text_Msup->isVisible());
    QVERIFY(f.w.Text_M->isVisible());
    QCOMPARE(f.w.Text_M->text(), QStringLiteral("1"));
}

void CalculateTest::ratioModeAtTheLimit()
{
    Fixture f;
    f.w.show();
    calculateRatio(f.w, QStringLiteral("0.4897959183673469"));
    QCOMPARE(f.messages, QStringList {QStringLiteral("Süpersonik çözüm yok")});
    QCOMPARE(f.w.Text_M->text(), QStringLiteral("0.37796"));

    // Below zero the square root has no real value.
    f.messages.clear();
    calculateRatio(f.w, QStringLiteral("-0.5"));
    QCOMPARE(f.messages, QStringList {QStringLiteral("No real value: the calculation was stopped.")});
    QCOMPARE(f.w.Text_M->text(), QStringLiteral("0.37796"));
}

void CalculateTest::gamaIsCapturedOnEveryPress()
{
    Fixture f;
    f.w.show();
    f.w.Text_gama->setText(QStringLiteral("1.3"));
    calculateRatio(f.w, QStringLiteral("0.9"));
    QCOMPARE(*f.w.calculator.gama, 1.3);
    const QString atOnePointThree = f.w.Text_M->text();
    f.w.Text_gama->setText(QStringLiteral("1.4"));
    calculate(f.w);
    QCOMPARE(f.w.Text_M->text(), QStringLiteral("0.68844"));
    QVERIFY(atOnePointThree != f.w.Text_M->text());
}

void CalculateTest::longInputIsReadWhole()
{
    Fixture f;
    f.w.show();
    // Blanks are skipped anywhere, however many there are.
    const QString blanks(40'000, QLatin1Char(' '));
    f.w.Text_gama->setText(QStringLiteral("1") + blanks + QStringLiteral(".4"));
    calculateRatio(f.w, QStringLiteral("0") + blanks + QStringLiteral(".9"));
    QVERIFY(f.messages.isEmpty());
    QCOMPARE(f.w.Text_M->text(), QStringLiteral("0.68844"));
}

void CalculateTest::realMessageBoxIsModalWithOnlyOk()
{
    MainWindow w;
    w.show();
    QString seen;
    QTimer::singleShot(0, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen = box->windowTitle() + '|' + box->text();
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
        QVERIFY(box->buttons().first()->icon().isNull());
        QVERIFY(box->isModal());
        box->buttons().first()->click();
    });
    w.Command1_Click();
    QCOMPARE(seen, QStringLiteral("Kalvenor|choose an input parameter"));
}

QTEST_MAIN(CalculateTest)
#include "calculate_test.moc"
