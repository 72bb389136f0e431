// Item delegates: the editors they open, what they read and write, and the
// flag that tells the owner an editor is open.
#include "CheckBoxDelegate.h"
#include "DoubleSpinBoxDelegate.h"
#include "SpinBoxDelegate.h"
#include "Unit.h"
#include "UnitComboBox.h"
#include "UnitDelegate.h"
#include "Units.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace {

// Keeps the text the delegate draws instead of drawing it.
class RecordingCheckBoxDelegate : public CheckBoxDelegate
{
public:
    using CheckBoxDelegate::CheckBoxDelegate;
    mutable QString drawn;

protected:
    void drawDisplay(QPainter*, const QStyleOptionViewItem&, const QRect&, const QString& text) const override
    {
        drawn = text;
    }
};

struct Table {
    QStandardItemModel model{3, 1};
    QTableView view;
    Table()
    {
        view.setModel(&model);
        view.show();
    }
    template<class Editor>
    Editor* open(int row)
    {
        const QModelIndex index = model.index(row, 0);
        view.setCurrentIndex(index);
        view.edit(index);
        return view.indexWidget(index) ? qobject_cast<Editor*>(view.indexWidget(index))
                                       : view.viewport()->findChild<Editor*>();
    }
    void close(QWidget* editor)
    {
        Q_EMIT view.itemDelegate()->commitData(editor);
        Q_EMIT view.itemDelegate()->closeEditor(editor);
    }
};

} // namespace

class TestDelegates : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void doubleSpinBoxRange();
    void spinBoxTruncatesAndWritesDouble();
    void unitDelegate();
    void checkBoxDelegate();
};

void TestDelegates::initTestCase()
{
    theUnits.init();
}

void TestDelegates::doubleSpinBoxRange()
{
    Table table;
    auto* delegate = new DoubleSpinBoxDelegate(&table.view);
    table.view.setItemDelegate(delegate);
    table.model.setData(table.model.index(0, 0), 4.5);
    delegate->setRange(0, 10);
    QVERIFY(!delegate->editorOpen);
    auto* editor = table.open<QDoubleSpinBox>(0);
    QVERIFY(editor);
    QVERIFY(delegate->editorOpen);
    QCOMPARE(editor->minimum(), 0.0);
    QCOMPARE(editor->maximum(), 10.0);
    QCOMPARE(editor->value(), 4.5);
    QCOMPARE(editor->buttonSymbols(), QAbstractSpinBox::NoButtons);
    QVERIFY(!editor->hasFrame());

    // An open editor keeps its range.
    delegate->setRange(-5, 5);
    QCOMPARE(editor->maximum(), 10.0);
    editor->findChild<QLineEdit*>()->setText("7.25");
    table.close(editor);
    QCOMPARE(table.model.data(table.model.index(0, 0), Qt::EditRole).toDouble(), 7.25);
    QTRY_VERIFY(!delegate->editorOpen);

    auto* next = table.open<QDoubleSpinBox>(1);
    QCOMPARE(next->maximum(), 5.0);
}

void TestDelegates::spinBoxTruncatesAndWritesDouble()
{
    Table table;
    auto* delegate = new SpinBoxDelegate(&table.view);
    table.view.setItemDelegate(delegate);
    table.model.setData(table.model.index(0, 0), 3.9);
    auto* editor = table.open<QSpinBox>(0);
    QVERIFY(editor);
    QVERIFY(delegate->editorOpen);
    QCOMPARE(editor->value(), 3);
    table.close(editor);
    const QVariant written = table.model.data(table.model.index(0, 0), Qt::EditRole);
    QCOMPARE(written.typeId(), QMetaType::Double);
    QCOMPARE(written.toDouble(), 3.0);
    QTRY_VERIFY(!delegate->editorOpen);
}

void TestDelegates::unitDelegate()
{
    Table table;
    auto* delegate = new UnitDelegate(&table.view);
    table.view.setItemDelegate(delegate);
    auto* none = table.open<UnitComboBox>(0);
    QVERIFY(none);
    QCOMPARE(none->count(), 0);
    Q_EMIT delegate->closeEditor(none);
    QTRY_VERIFY(!delegate->editorOpen);

    delegate->quantity = Quantity::Speed;
    table.model.setData(table.model.index(1, 0), QStringLiteral("km/h"));
    auto* speed = table.open<UnitComboBox>(1);
    QCOMPARE(speed->currentText(), QStringLiteral("km/h"));
    speed->setCurrentText(QStringLiteral("mph"));
    table.close(speed);
    const QVariant written = table.model.data(table.model.index(1, 0), Qt::EditRole);
    QCOMPARE(written.value<const Unit*>(), theUnits.getUnitByQuantityAndName(Quantity::Speed, "mph"));
}

void TestDelegates::checkBoxDelegate()
{
    Table table;
    auto* delegate = new RecordingCheckBoxDelegate(&table.view);
    table.view.setItemDelegate(delegate);
    table.model.setData(table.model.index(0, 0), true);
    table.model.setData(table.model.index(1, 0), false);

    QImage canvas(100, 30, QImage::Format_ARGB32);
    QPainter painter(&canvas);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 100, 30);
    delegate->paint(&painter, option, table.model.index(0, 0));
    QCOMPARE(delegate->drawn, QStringLiteral("      Var"));
    delegate->paint(&painter, option, table.model.index(1, 0));
    QCOMPARE(delegate->drawn, QStringLiteral("      Yok"));
    // A column sized to its contents shows the whole word.
    option.fontMetrics = table.view.fontMetrics();
    QVERIFY(delegate->sizeHint(option, table.model.index(0, 0)).width()
            > option.fontMetrics.horizontalAdvance(QStringLiteral("      Var")));

    // A click on the check box writes the model at once, without leaving the cell.
    auto* editor = table.open<QCheckBox>(1);
    QVERIFY(editor);
    QVERIFY(!editor->isChecked());
    editor->click();
    QCOMPARE(table.model.data(table.model.index(1, 0), Qt::EditRole).toBool(), true);
    QVERIFY(editor->isVisible());
}

QTEST_MAIN(TestDelegates)
#include "tst_delegates.moc"
