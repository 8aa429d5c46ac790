#include "chart/chart_area.h"
#include "flow/window/fault.h"
#include "flow/window/number_text.h"
#include "flow/window/rayleigh.h"
#include "test_support.h"
#include "ui/about_window.h"
#include "ui/look.h"
#include "ui/main_window.h"
#include "ui/wrapping_button.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSet>
#include <QTest>

#include <cmath>
#include <deque>
#include <random>

using ui::MainWindow;

namespace {

const QSet<QString> kKnownMessages {
    QStringLiteral("choose an input parameter"),
    QStringLiteral("To/To* must be equal 1 or lower then 1"),
    QStringLiteral("Süpersonik çözüm yok"),
    QStringLiteral("M must be greater than 0"),
    QStringLiteral("Division by zero: the calculation was stopped."),
    QStringLiteral("Overflow: the calculation was stopped."),
    QStringLiteral("No real value: the calculation was stopped."),
};

// What a user might type into any box: blanks, foreign separators, values
// past the range, other scripts, and values at the edges of the flow.
QStringList nastyTexts()
{
    QStringList texts {"", " ", "   ", "1,4", "1e400", "-1e400", "1e-400", "-0", "0", "&HFFFF", "&H", "&O777",
        "&HFFFFFFFFFFFFFFFFFFFF", "nan", "NaN", "inf", "-inf", "Infinity", "1D2", " 2 . 5 ", "+", "-", ".", "e5", "1e",
        "1.2.3", "0x10",
        // Non-ASCII: Greek, Turkish, fullwidth and Arabic-Indic digits, an emoji.
        QStringLiteral("γ"), QStringLiteral("çözüm"), QStringLiteral("１．４"), QStringLiteral("١٫٤"),
        QStringLiteral("🙂"), QStringLiteral("1.4\u00A0"),
        // T0/T0* at the supersonic limit of air, (gama^2 - 1) / gama^2, and at 1.
        "0.4897959183673469", "0.489795918367347", "0.4897959183673468", "0.48979591836734", "0.4898", "0.4897", "1",
        "0.9999999999", "1.0000000001", "0.99999", "1.00001", "0.99999999999999989", "1.0000000000000002",
        // Mach numbers from tiny to huge, and negative ones.
        "1e-200", "1e-160", "0.05", "0.5", "2", "3.1", "20", "1e10", "1e40", "1e100", "1e154", "1e200", "-1", "-0.5",
        "-2", "-1e200",
        // Ratios of specific heats, sensible or not.
        "-1", "0.5", "1.4", "1.6666666666666667", "5/3", "1.0000001"};
    texts << QString(100'000, QLatin1Char('7')) << QStringLiteral("0.") + QString(100'000, QLatin1Char('3'));
    return texts;
}

// Key presses carrying each character, as a keyboard of any layout sends
// them; QTest::keyClicks knows Latin-1 only.
void typeKeys(QWidget *box, const QString &text)
{
    for (char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        const int key = c >= 0x20 && c < 0x7F ? int(QChar(c).toUpper().unicode()) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, one);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, one);
        QApplication::sendEvent(box, &press);
        QApplication::sendEvent(box, &release);
    }
}

QString shown(double value)
{
    return QString::fromStdString(flow::FormatResult(value, QLocale().decimalPoint().toStdString()));
}

class Monkey {
public:
    explicit Monkey(MainWindow &w) : w(w), m_texts(nastyTexts())
    {
        w.setMessageSink([this](const QString &text) { m_messages << text; });
        m_boxes = {w.Text_gama, w.Text_M, w.Text_Msup, w.Text_TTstar, w.Text_PPstar, w.Text_RoRoStar, w.Text_PoPoStar,
            w.Text_ToToStar};
        QObject::connect(w.Text_Msup, &QLineEdit::textChanged, [this] { m_msupWritten = true; });
    }

    // One random action, then every check; false with a reason on the first
    // broken rule.
    bool step(QString *why)
    {
        m_messages.clear();
        const int action = std::uniform_int_distribution<int>(0, 99)(m_random);
        if (action < 6)
            clickMode(w.Option_M);
        else if (action < 12)
            clickMode(w.Option_ToToStar);
        else if (action < 26)
            type(w.Text_gama);
        else if (action < 48)
            type(w.Text_M);
        else if (action < 62)
            type(w.Text_ToToStar);
        else if (action < 90)
            calculate(why);
        else if (action < 98)
            clickChart();
        else
            about();
        if (!why->isEmpty())
            return false;
        for (const QString &message : std::as_const(m_messages))
            if (!kKnownMessages.contains(message))
                return fail(why, "unknown message: " + message);
        return boxesLookSane(why);
    }

    QString recentActions() const
    {
        QString text;
        for (const QString &line : m_log)
            text += "  " + line + '\n';
        return text;
    }

private:
    void log(const QString &line)
    {
        m_log.push_back(line.size() > 60 ? line.left(40) + "... (" + QString::number(line.size()) + " chars)" : line);
        if (m_log.size() > 12)
            m_log.pop_front();
    }

    template<typename T> T pick(const QList<T> &list)
    {
        return list[std::uniform_int_distribution<qsizetype>(0, list.size() - 1)(m_random)];
    }

    bool coin() { return std::bernoulli_distribution(0.5)(m_random); }

    void clickMode(QRadioButton *mode)
    {
        log("click " + mode->objectName());
        if (coin())
            QTest::mouseClick(mode, Qt::LeftButton);
        else
            mode->click();
    }

    // Half of the time a plausible value, so that calculations get through.
    QString someText(QLineEdit *box)
    {
        if (coin())
            return pick(m_texts);
        std::uniform_real_distribution<double> u(0, 1);
        double value;
        if (box == w.Text_gama)
            value = 1.01 + u(m_random);
        else if (box == w.Text_M)
            value = std::pow(10.0, -1.5 + 3 * u(m_random));
        else
            value = 0.3 + 0.7 * u(m_random);
        return QString::number(value, 'g', std::uniform_int_distribution<int>(1, 17)(m_random));
    }

    void type(QLineEdit *box)
    {
        const QString text = someText(box);
        log("type into " + box->objectName() + ": \"" + text + '"');
        // Key by key where that stays quick; a long text is pasted.
        if (text.size() < 40 && coin()) {
            box->clear();
            typeKeys(box, text);
        } else {
            box->setText(text);
        }
        m_typed[box] = box->text();
    }

    void calculate(QString *why)
    {
        log("click Command1");
        const bool machMode = w.Option_M->isChecked();
        const bool totoMode = w.Option_ToToStar->isChecked();
        const QString gamaText = w.Text_gama->text(), machText = w.Text_M->text(), totoText = w.Text_ToToStar->text();
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        if (machMode && m_messages.isEmpty())
            expectMachResults(gamaText, machText, why);
        else if (totoMode && (m_messages.isEmpty() || m_messages == QStringList {"Süpersonik çözüm yok"}))
            expectTotoResults(gamaText, totoText, why);
    }

    void expectMachResults(const QString &gamaText, const QString &machText, QString *why)
    {
        QStringList expected;
        try {
            const flow::RayleighRatios r = flow::RatiosFromMach(
                flow::ParseNumber(gamaText.toStdString()), flow::ParseNumber(machText.toStdString()));
            expected = {shown(r.TTstar), shown(r.PPstar), shown(r.RoRoStar), shown(r.PoPoStar), shown(r.ToToStar)};
        } catch (const flow::ArithmeticFault &fault) {
            fail(why, QStringLiteral("no message for a calculation that fails with ") + fault.what());
            return;
        }
        const QStringList got {w.Text_TTstar->text(), w.Text_PPstar->text(), w.Text_RoRoStar->text(),
            w.Text_PoPoStar->text(), w.Text_ToToStar->text()};
        if (got != expected)
            fail(why, "ratios " + got.join(' ') + " instead of " + expected.join(' '));
    }

    void expectTotoResults(const QString &gamaText, const QString &totoText, QString *why)
    {
        try {
            const flow::MachNumbers m = flow::MachFromToToStar(
                flow::ParseNumber(gamaText.toStdString()), flow::ParseNumber(totoText.toStdString()));
            const QString sup = m.Msup ? shown(*m.Msup) : QStringLiteral(" ");
            if (m.Msup.has_value() != m_messages.isEmpty())
                fail(why, "supersonic root and its message disagree");
            else if (w.Text_M->text() != shown(m.Msub) || w.Text_Msup->text() != sup)
                fail(why,
                    "Mach numbers " + w.Text_M->text() + " and " + w.Text_Msup->text() + " instead of " + shown(m.Msub)
                        + " and " + sup);
        } catch (const flow::ArithmeticFault &fault) {
            fail(why, QStringLiteral("no message for a calculation that fails with ") + fault.what());
        }
    }

    void clickChart()
    {
        log("click Picture1");
        // The middle of the chart, clear of both captions.
        QTest::mouseClick(w.Picture1, Qt::LeftButton, {}, w.Picture1->rect().center());
    }

    void about()
    {
        log("click Mn_About");
        w.Mn_About->trigger();
    }

    bool boxesLookSane(QString *why) const
    {
        for (const QLineEdit *box : m_boxes) {
            const QString text = box->text();
            if (m_typed.value(box) == text && m_typed.contains(box))
                continue; // the user's own text
            if (text.contains(QLatin1String("inf"), Qt::CaseInsensitive)
                || text.contains(QLatin1String("nan"), Qt::CaseInsensitive))
                return fail(why, box->objectName() + " shows " + text);
            const bool blank = text.trimmed().isEmpty();
            const bool allowed = text == QLatin1String(" ") || (box == w.Text_Msup && text.isEmpty() && !m_msupWritten);
            if (blank && !allowed)
                return fail(why, box->objectName() + " looks empty: \"" + text + '"');
        }
        return true;
    }

    static bool fail(QString *why, const QString &reason)
    {
        if (why->isEmpty())
            *why = reason;
        return false;
    }

    MainWindow &w;
    const QStringList m_texts;
    QList<QLineEdit *> m_boxes;
    QHash<const QLineEdit *, QString> m_typed;
    bool m_msupWritten = false;
    QStringList m_messages;
    std::deque<QString> m_log;
    std::mt19937 m_random {20240611};
};

QtMessageHandler g_previousHandler = nullptr;

// The offscreen platform cannot raise a window, and says so each time About
// asks it to.
void quietAboutPlatformLimits(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!text.startsWith(QLatin1String("This plugin does not support")))
        g_previousHandler(type, context, text);
}

} // namespace

class MonkeyTest : public OffscreenTest {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        ui::setUpApplication();
        g_previousHandler = qInstallMessageHandler(quietAboutPlatformLimits);
    }
    void randomUserActionsKeepTheWindowConsistent();
};

void MonkeyTest::randomUserActionsKeepTheWindowConsistent()
{
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    Monkey monkey(w);
    for (int i = 0; i < 5000; ++i) {
        QString why;
        if (!monkey.step(&why))
            QFAIL(
                qPrintable(QStringLiteral("action %1: %2\nlast actions:\n%3").arg(i).arg(why, monkey.recentActions())));
        if (i % 100 == 0)
            QCoreApplication::processEvents(); // paint now and then, as a user would see it
    }
    if (ui::AboutWindow *about = w.aboutWindow())
        about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w.aboutWindow());
}

QTEST_MAIN(MonkeyTest)
#include "monkey_test.moc"
