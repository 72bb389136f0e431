#include "LogCapture.h"
#include "RecordingAnswerer.h"
#include "Tools.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <limits>

class TestTools : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showErrorReplacesOnlyInTheBox();
    void stringFromDouble_data();
    void stringFromDouble();
    void stringFromUnixTimestamp();
    void elideAndOptionalArg();
    void replaceSpecialCharacters();
    void generateUniqueName_data();
    void generateUniqueName();
    void parseSizeString_data();
    void parseSizeString();
    void splitCSVLine_data();
    void splitCSVLine();
    void humanReadableStep_data();
    void humanReadableStep();
    void stretchScaleToStep_data();
    void stretchScaleToStep();
    void pickClosestTiesGoUp();
    void autoRangeAndChangeDetection();
    void dataStreamListsHaveNoCount();
    void dataStreamReadStopsAtTruncation();
    void textStreamPoints();
    void stringIntListsAndDoubleStrings();
    void idMaps();
    void clonesFollowEachOther();
    void cloneComboBoxCopiesItemsAndHiddenRows();
    void wheelGuardIgnoresUnfocusedWidgets();
    void paletteAndContrast();
};

void TestTools::showErrorReplacesOnlyInTheBox()
{
    RecordingAnswerer answerer;
    LogCapture log;
    Tools::showError(QStringLiteral("kolvo rollers, Kolvo and KOLVO stay"));
    Tools::showInfo(QStringLiteral("kolvo is shown as is"));
    QCOMPARE(answerer.shown.size(), 2);
    QCOMPARE(answerer.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(answerer.shown[0].text, QStringLiteral("X rollers, Kolvo and KOLVO stay"));
    QCOMPARE(answerer.shown[1].title, QStringLiteral("Info"));
    QCOMPARE(answerer.shown[1].text, QStringLiteral("kolvo is shown as is"));
    QCOMPARE(log.count(QStringLiteral("showError:")), 1);
    QCOMPARE(log.count(QStringLiteral("kolvo rollers")), 1);
}

void TestTools::stringFromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("nan") << nan << 2 << "?";
    QTest::newRow("nan exp") << nan << -3 << "?";
    QTest::newRow("round 0") << 1.005 << 0 << "1";
    QTest::newRow("fixed") << 3.14159 << 3 << "3.142";
    QTest::newRow("exponent") << 0.000123 << -2 << "1.23e-04";
    QTest::newRow("negative") << -2.5 << 1 << "-2.5";
}

void TestTools::stringFromDouble()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(Tools::stringFromDouble(value, decimals), expected);
}

void TestTools::stringFromUnixTimestamp()
{
    QCOMPARE(Tools::stringFromUnixTimestamp(0), QStringLiteral("0"));
    const QDateTime t = QDateTime::fromSecsSinceEpoch(1700000000);
    QCOMPARE(Tools::stringFromUnixTimestamp(1700000000), t.toLocalTime().toString("yyyy-MM-dd hh:mm:ss"));
}

void TestTools::elideAndOptionalArg()
{
    QString text = QStringLiteral("abcdef");
    QCOMPARE(Tools::elide(text, 3), QString(QStringLiteral("abc")) + QChar(0x2026));
    QCOMPARE(text.size(), 4);
    QString same = QStringLiteral("abcdef");
    QCOMPARE(Tools::elide(same, 6), QStringLiteral("abcdef"));
    QCOMPARE(Tools::optionalArg(QStringLiteral("roller %1 speed"), 2), QStringLiteral("roller 2 speed"));
    QCOMPARE(Tools::optionalArg(QStringLiteral("speed 100%"), 2), QStringLiteral("speed 100%"));
    QCOMPARE(Tools::optionalArg(QStringLiteral("a%2 b%1"), 7), QStringLiteral("a%2 b7"));
}

void TestTools::replaceSpecialCharacters()
{
    QString text = QStringLiteral("a\\b/c:d*e?f\"g<h>i|j.k");
    Tools::replaceSpecialCharacters(text);
    QCOMPARE(text, QStringLiteral("a_b_c_d_e_f_g_h_i_j.k"));
}

void TestTools::generateUniqueName_data()
{
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free") << QStringList{} << "Run" << "Run";
    QTest::newRow("taken") << QStringList{"Desktop"} << "Desktop" << "Desktop 1";
    QTest::newRow("two taken") << QStringList{"Run", "Run 1"} << "Run" << "Run 2";
    QTest::newRow("numbered") << QStringList{"Run 7"} << "Run 7" << "Run 8";
    QTest::newRow("number only") << QStringList{"5"} << "5" << "5 5";
    QTest::newRow("case") << QStringList{"run"} << "Run" << "Run";
    QTest::newRow("largest int") << QStringList{"A 2147483647"} << "A 2147483647" << "A 2147483648";
}

void TestTools::generateUniqueName()
{
    QFETCH(QStringList, taken);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(Tools::generateUniqueName(taken, name), expected);
}

void TestTools::parseSizeString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("hpw");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("star width") << "*,300" << 0.5f << QSize(600, 300);
    QTest::newRow("star height") << "400,*" << 0.5f << QSize(400, 200);
    QTest::newRow("star without ratio") << "*,300" << 0.0f << QSize(-1, -1);
    QTest::newRow("three parts") << "1,2,3" << 0.5f << QSize(-1, -1);
    QTest::newRow("two stars") << "*,*" << 0.5f << QSize(-1, -1);
    QTest::newRow("plain") << "640,480" << 0.0f << QSize(640, 480);
    QTest::newRow("plain with ratio") << "640,480" << 2.0f << QSize(640, 480);
    QTest::newRow("garbage") << "a,4" << 1.0f << QSize(-1, -1);
    QTest::newRow("empty part") << ",4" << 0.0f << QSize(-1, -1);
}

void TestTools::parseSizeString()
{
    QFETCH(QString, text);
    QFETCH(float, hpw);
    QFETCH(QSize, expected);
    QCOMPARE(Tools::parseSizeString(text, hpw), expected);
}

void TestTools::splitCSVLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("quote toggles mid-field") << "x\"y,z\",w" << QStringList{"xy,z", "w"};
    QTest::newRow("trim and trailing") << " x , y ," << QStringList{"x", "y", ""};
    QTest::newRow("empty") << "" << QStringList{""};
    QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\",2" << QStringList{"say \"hi\"", "2"};
    QTest::newRow("empty quoted") << "a,\"\",b" << QStringList{"a", "", "b"};
    QTest::newRow("only a quote char") << "\"\"\"\"" << QStringList{"\""};
    QTest::newRow("open quote runs to end") << "a,\"b,c" << QStringList{"a", "b,c"};
    QTest::newRow("blanks in quotes trimmed") << "\" a \",b" << QStringList{"a", "b"};
}

void TestTools::splitCSVLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    QCOMPARE(Tools::splitCSVLine(line, QLatin1Char(',')), expected);
}

void TestTools::humanReadableStep_data()
{
    QTest::addColumn<float>("step");
    QTest::addColumn<double>("expected");
    QTest::newRow("0.37") << 0.37f << 0.25;
    QTest::newRow("3") << 3.0f << 2.5;
    QTest::newRow("4") << 4.0f << 5.0;
    QTest::newRow("7.4") << 7.4f << 5.0;
    QTest::newRow("45") << 45.0f << 50.0;
    QTest::newRow("1.5 tie goes up") << 1.5f << 2.0;
    QTest::newRow("7.5 tie goes up") << 7.5f << 10.0;
    QTest::newRow("zero") << 0.0f << 0.0;
    QTest::newRow("negative") << -3.0f << 0.0;
    QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << 0.0;
    QTest::newRow("infinite") << std::numeric_limits<float>::infinity() << 0.0;
}

void TestTools::humanReadableStep()
{
    QFETCH(float, step);
    QFETCH(double, expected);
    const double got = Tools::humanReadableStep(step);
    QVERIFY2(std::fabs(got - expected) <= 1e-6 * std::max(1.0, expected), qPrintable(QString::number(got)));
}

void TestTools::stretchScaleToStep_data()
{
    QTest::addColumn<float>("min");
    QTest::addColumn<float>("max");
    QTest::addColumn<float>("step");
    QTest::addColumn<float>("expectedMin");
    QTest::addColumn<float>("expectedMax");
    QTest::newRow("stretch both") << -0.25f << 0.95f << 0.5f << -0.5f << 1.0f;
    QTest::newRow("already multiples") << 0.0f << 1.0f << 0.5f << 0.0f << 1.0f;
    QTest::newRow("positive min") << 0.3f << 2.2f << 1.0f << 0.0f << 3.0f;
    QTest::newRow("negative max") << -7.0f << -2.5f << 2.0f << -8.0f << -2.0f;
    QTest::newRow("zero step leaves range") << 0.3f << 2.2f << 0.0f << 0.3f << 2.2f;
    QTest::newRow("negative step leaves range") << 0.3f << 2.2f << -1.0f << 0.3f << 2.2f;
    QTest::newRow("nan step leaves range") << 0.3f << 2.2f << std::numeric_limits<float>::quiet_NaN() << 0.3f
                                           << 2.2f;
}

void TestTools::stretchScaleToStep()
{
    QFETCH(float, min);
    QFETCH(float, max);
    QFETCH(float, step);
    QFETCH(float, expectedMin);
    QFETCH(float, expectedMax);
    Tools::stretchScaleToStep(min, max, step);
    QVERIFY2(std::fabs(min - expectedMin) < 1e-5f, qPrintable(QString::number(min)));
    QVERIFY2(std::fabs(max - expectedMax) < 1e-5f, qPrintable(QString::number(max)));
}

void TestTools::pickClosestTiesGoUp()
{
    const QList<float> c{1, 2, 2.5f, 5, 10};
    QCOMPARE(Tools::pickClosest(0.2f, c), 1.0);
    QCOMPARE(Tools::pickClosest(1.5f, c), 2.0);
    QCOMPARE(Tools::pickClosest(1.4f, c), 1.0);
    QCOMPARE(Tools::pickClosest(12.0f, c), 10.0);
    QCOMPARE(Tools::pickClosest(3.0f, QList<float>{7}), 7.0);
    QCOMPARE(Tools::pickClosest(3.0f, QList<float>{}), 3.0);
}

void TestTools::autoRangeAndChangeDetection()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double min = nan;
    double max = nan;
    QVERIFY(Tools::updateAutoRange(min, max, 3));
    QCOMPARE(min, 3.0);
    QCOMPARE(max, 3.0);
    QVERIFY(!Tools::updateAutoRange(min, max, std::numeric_limits<double>::infinity()));
    QVERIFY(!Tools::updateAutoRange(min, max, nan));
    QVERIFY(!Tools::updateAutoRange(min, max, 3));
    QVERIFY(Tools::updateAutoRange(min, max, -1));
    QCOMPARE(min, -1.0);
    QCOMPARE(max, 3.0);

    QVERIFY(!Tools::didValueChangedNaNSupported(nan, nan));
    QVERIFY(Tools::didValueChangedNaNSupported(nan, 1));
    QVERIFY(Tools::didValueChangedNaNSupported(1, nan));
    QVERIFY(!Tools::didValueChangedNaNSupported(2, 2));
    QVERIFY(Tools::didValueChangedNaNSupported(2, 3));
}

void TestTools::dataStreamListsHaveNoCount()
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << QList<double>{1.5, -2.0};
    }
    QCOMPARE(bytes.size(), 16);
    QCOMPARE(bytes.left(8), QByteArray::fromHex("3ff8000000000000")); // 1.5, big-endian
    {
        QByteArray empty;
        QDataStream out(&empty, QIODevice::WriteOnly);
        out << QList<int>{} << QList<QPointF>{};
        QCOMPARE(empty.size(), 0);
    }
    QByteArray ints;
    {
        QDataStream out(&ints, QIODevice::WriteOnly);
        out << QList<int>{1, -2, 3};
    }
    QCOMPARE(ints, QByteArray::fromHex("00000001fffffffe00000003"));
    QList<int> back{99};
    QDataStream in(ints);
    in >> back;
    QCOMPARE(back, (QList<int>{99, 1, -2, 3})); // appends, no clearing

    QByteArray points;
    {
        QDataStream out(&points, QIODevice::WriteOnly);
        out << QList<QPointF>{{1, 2}, {3.5, -4}};
    }
    QList<QPointF> readPoints;
    QDataStream pin(points);
    pin >> readPoints;
    QCOMPARE(readPoints, (QList<QPointF>{{1, 2}, {3.5, -4}}));
}

void TestTools::dataStreamReadStopsAtTruncation()
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << QList<double>{1.0, 2.0, 3.0};
    }
    QDataStream in(bytes.left(20)); // two and a half doubles
    QList<double> list;
    in >> list;
    QCOMPARE(list, (QList<double>{1.0, 2.0}));

    QByteArray pointBytes;
    {
        QDataStream out(&pointBytes, QIODevice::WriteOnly);
        out << QList<QPointF>{{1, 2}, {3, 4}};
    }
    QDataStream pin(pointBytes.left(24)); // the second point lacks its y
    QList<QPointF> points;
    pin >> points;
    QCOMPARE(points, (QList<QPointF>{{1, 2}}));

    QList<double> none{7};
    QDataStream emptyIn(QByteArray{});
    emptyIn >> none;
    QCOMPARE(none, (QList<double>{7}));
}

void TestTools::textStreamPoints()
{
    QString text;
    {
        QTextStream out(&text);
        out << QList<QPointF>{{1.2345678, 2}, {-3, 4e-7}};
    }
    QCOMPARE(text, QStringLiteral("1.23457,2\n-3,4e-07\n"));
    QList<QPointF> back;
    QTextStream in(&text);
    in >> back;
    QCOMPARE(back.size(), 2);
    QCOMPARE(back[0].x(), 1.23457);

    QString other = QStringLiteral("1;2\n3,4\n5,");
    QTextStream in2(&other);
    QList<QPointF> two;
    in2 >> two;
    QCOMPARE(two, (QList<QPointF>{{1, 2}, {3, 4}}));
}

void TestTools::stringIntListsAndDoubleStrings()
{
    QString text;
    text << QList<int>{1, 2, 3};
    QCOMPARE(text, QStringLiteral("1 2 3 "));
    QList<int> back;
    text >> back;
    QCOMPARE(back, (QList<int>{1, 2, 3}));

    QCOMPARE(stringFromQVectorDouble({1.5, 2, 1e-7}), QStringLiteral("1.5 2 1e-07 "));
    QCOMPARE(stringFromQVectorDouble({}), QString());
    QCOMPARE(qVectorDoubleFromString(QStringLiteral(" 1.5\t2  1e-07 x 4")), (QList<double>{1.5, 2, 1e-7}));
    QVERIFY(qVectorDoubleFromString(QString()).isEmpty());
}

void TestTools::idMaps()
{
    QCOMPARE(Tools::mcuFreqInputFromRollerId(RollerId::Roller2), McuFreqInput::Channel3);
    QCOMPARE(Tools::mcuFreqInputFromRollerId(RollerId::Roller3), McuFreqInput::Channel4);
    QCOMPARE(Tools::mcuFreqInputFromDigitalFreqInput(DigitalFreqInput::Input4), McuFreqInput::Channel5);
    QCOMPARE(Tools::rollerIdFromMcuFreqInput(McuFreqInput::Channel3), RollerId::Roller2);
    QCOMPARE(Tools::rollerIdFromMcuFreqInput(McuFreqInput::Channel4), RollerId::Roller3);
    QCOMPARE(Tools::digitalFreqInputFromMcuFreqInput(McuFreqInput::Channel5), DigitalFreqInput::Input4);
    for (int r = 0; r < 4; ++r) {
        const auto id = static_cast<RollerId>(r);
        QCOMPARE(Tools::rollerIdFromMcuFreqInput(Tools::mcuFreqInputFromRollerId(id)), id);
    }
    for (int d = 0; d < 5; ++d) {
        const auto in = static_cast<DigitalFreqInput>(d);
        QCOMPARE(Tools::digitalFreqInputFromMcuFreqInput(Tools::mcuFreqInputFromDigitalFreqInput(in)), in);
    }
}

void TestTools::clonesFollowEachOther()
{
    QDoubleSpinBox source;
    source.setRange(-5, 50);
    source.setDecimals(3);
    source.setValue(12.5);
    QDoubleSpinBox copy;
    QSignalSpy copyChanged(&copy, &QDoubleSpinBox::valueChanged);
    Tools::cloneDoubleSpinBox(&source, &copy);
    QCOMPARE(copy.value(), 12.5);
    QCOMPARE(copy.decimals(), 3);
    QCOMPARE(copy.minimum(), -5.0);
    QCOMPARE(copyChanged.count(), 1);
    copy.setValue(7);
    QCOMPARE(source.value(), 7.0);
    source.setValue(8);
    QCOMPARE(copy.value(), 8.0);

    QCheckBox box;
    box.setChecked(true);
    QPushButton button;
    button.setCheckable(true);
    QSignalSpy clicked(&button, &QPushButton::clicked);
    Tools::cloneCheckBoxToButton(&box, &button);
    QVERIFY(button.isChecked());
    QCOMPARE(clicked.count(), 1);
    box.setChecked(false);
    QVERIFY(!button.isChecked());
    button.click();
    QVERIFY(box.isChecked());

    QLineEdit a;
    a.setText(QStringLiteral("hello"));
    QLineEdit b;
    Tools::cloneLineEdit(&a, &b);
    QCOMPARE(b.text(), QStringLiteral("hello"));
    b.setText(QStringLiteral("x"));
    QCOMPARE(a.text(), QStringLiteral("x"));
}

void TestTools::cloneComboBoxCopiesItemsAndHiddenRows()
{
    QComboBox source;
    source.addItem(QStringLiteral("a"), 10);
    source.addItem(QStringLiteral("b"), 20);
    source.addItem(QStringLiteral("c"), 30);
    qobject_cast<QListView*>(source.view())->setRowHidden(1, true);
    source.setCurrentIndex(2);
    QComboBox copy;
    QSignalSpy text(&copy, &QComboBox::currentTextChanged);
    Tools::cloneComboBox(&source, &copy);
    QCOMPARE(copy.count(), 3);
    QCOMPARE(copy.itemData(1).toInt(), 20);
    QVERIFY(qobject_cast<QListView*>(copy.view())->isRowHidden(1));
    QCOMPARE(copy.currentIndex(), 2);
    QCOMPARE(text.count(), 1);
    copy.setCurrentIndex(0);
    QCOMPARE(source.currentIndex(), 0);
}

void TestTools::wheelGuardIgnoresUnfocusedWidgets()
{
    QWidget page;
    auto* spin = new QSpinBox(&page);
    auto* other = new QLineEdit(&page);
    spin->setRange(0, 100);
    spin->setValue(50);
    Tools::blockMouseWheelAdjustment(spin);
    QCOMPARE(spin->focusPolicy(), Qt::StrongFocus);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());

    auto wheel = [spin]() {
        QWheelEvent event(QPointF(5, 5), spin->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(spin, &event);
    };
    wheel();
    QCOMPARE(spin->value(), 50);
    spin->setFocus();
    QTRY_VERIFY(spin->hasFocus());
    wheel();
    QVERIFY(spin->value() != 50);
}

void TestTools::paletteAndContrast()
{
    QWidget w;
    Tools::setBackgroundColorWithPalette(&w, QColor(10, 20, 30));
    QVERIFY(w.autoFillBackground());
    QCOMPARE(w.palette().color(QPalette::Disabled, QPalette::Window), QColor(10, 20, 30));
    Tools::setSpinBoxColorWithPalette(&w, Qt::yellow);
    QCOMPARE(w.palette().color(QPalette::Active, QPalette::Base), QColor(Qt::yellow));
    QCOMPARE(Tools::getContrastColor(QColor(0, 0, 255), 0.5f), Qt::white);
    QCOMPARE(Tools::getContrastColor(QColor(255, 255, 0), 0.5f), Qt::black);
}

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
