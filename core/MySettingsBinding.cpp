// Binding of widgets to keys of the settings store: the operations for Qt's own
// widget kinds, the helpers of the binding templates (MySettingsOwnWidgets.h)
// and every change slot.

#include "MySettings.h"

#include "lib/Unit.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRect>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>

namespace {

constexpr int kHeaderSaveDelayMs = 500;
constexpr int kSmallestFontPoints = 6;
constexpr int kLargestFontPoints = 40;

} // namespace

QString MySettings::bindingKey(const QObject* widget) const
{
    return keyPrefix + widget->objectName();
}

QString MySettings::senderKey() const
{
    const QObject* source = sender();
    return source ? bindingKey(source) : QString();
}

// --- Qt's own widget kinds -------------------------------------------------

void MySettings::connectCheckBox(QCheckBox* checkBox)
{
    const QString key = bindingKey(checkBox);
    if (contains(key)) {
        const QSignalBlocker blocker(checkBox);
        checkBox->setCheckState(static_cast<Qt::CheckState>(value(key).toInt()));
    }
    connect(checkBox, &QCheckBox::stateChanged, this, &MySettings::setting_variant_ChangedSlot);
    Q_EMIT checkBox->stateChanged(checkBox->checkState());
}

void MySettings::connectTabWidget(QTabWidget* tabWidget)
{
    const QString key = bindingKey(tabWidget);
    if (contains(key)) {
        const QSignalBlocker blocker(tabWidget);
        tabWidget->setCurrentIndex(value(key).toInt());
    }
    connect(tabWidget, &QTabWidget::currentChanged, this, &MySettings::setting_variant_ChangedSlot);
    Q_EMIT tabWidget->currentChanged(tabWidget->currentIndex());
}

void MySettings::connectSlider(QAbstractSlider* slider)
{
    const QString key = bindingKey(slider);
    if (contains(key)) {
        const QSignalBlocker blocker(slider);
        slider->setValue(value(key).toInt());
    }
    connect(slider, &QAbstractSlider::valueChanged, this, &MySettings::setting_variant_ChangedSlot);
    Q_EMIT slider->valueChanged(slider->value());
}

void MySettings::connectSpinBox(QSpinBox* spinBox)
{
    const QString key = bindingKey(spinBox);
    if (contains(key)) {
        bool ok = false;
        const int stored = value(key).toInt(&ok);
        if (ok) {
            const QSignalBlocker blocker(spinBox);
            spinBox->setValue(stored);
        }
    }
    connect(spinBox, &QSpinBox::valueChanged, this, &MySettings::setting_variant_ChangedSlot);
    Q_EMIT spinBox->valueChanged(spinBox->value());
}

void MySettings::connectDoubleSpinBox(QDoubleSpinBox* spinBox)
{
    const QString key = bindingKey(spinBox);
    if (contains(key)) {
        bool ok = false;
        const double stored = value(key).toDouble(&ok);
        if (ok) {
            const QSignalBlocker blocker(spinBox);
            spinBox->setValue(stored);
        }
    }
    connect(spinBox, &QDoubleSpinBox::valueChanged, this, &MySettings::setting_variant_ChangedSlot);
    Q_EMIT spinBox->valueChanged(spinBox->value());
    Q_EMIT spinBox->editingFinished();
}

void MySettings::connectLineEdit(QLineEdit* lineEdit)
{
    const QString key = bindingKey(lineEdit);
    if (contains(key)) {
        const QSignalBlocker blocker(lineEdit);
        lineEdit->setText(value(key).toString());
    }
    connect(lineEdit, &QLineEdit::textChanged, this, &MySettings::setting_LineEdit_ChangedSlot);
    Q_EMIT lineEdit->textChanged(lineEdit->text());
    Q_EMIT lineEdit->editingFinished();
}

void MySettings::connectLineEditPassword(QLineEdit* lineEdit)
{
    const QString key = bindingKey(lineEdit);
    if (contains(key)) {
        const QSignalBlocker blocker(lineEdit);
        lineEdit->setText(decrypt(value(key).toString()));
    }
    connect(lineEdit, &QLineEdit::textChanged, this, &MySettings::setting_LineEditPassword_ChangedSlot);
    Q_EMIT lineEdit->textChanged(lineEdit->text());
    Q_EMIT lineEdit->editingFinished();
}

void MySettings::connectTextEdit(QPlainTextEdit* textEdit)
{
    const QString key = bindingKey(textEdit);
    if (contains(key)) {
        const QSignalBlocker blocker(textEdit);
        textEdit->setPlainText(value(key).toString());
    }
    connect(textEdit, &QPlainTextEdit::textChanged, this, &MySettings::setting_TextEdit_ChangedSlot);
    Q_EMIT textEdit->textChanged();
}

void MySettings::connectComboBox(QComboBox* comboBox)
{
    const QString key = bindingKey(comboBox);
    if (contains(key)) {
        const QSignalBlocker blocker(comboBox);
        // Versions before 2.25.0 stored the item's text; the re-announcement
        // below rewrites the key as the index. A text that no item has leaves
        // the page's choice rather than clearing the box.
        if (oldComboBoxFormat) {
            const int index = comboBox->findText(value(key).toString(), Qt::MatchExactly);
            if (index >= 0)
                comboBox->setCurrentIndex(index);
        } else {
            comboBox->setCurrentIndex(value(key).toInt());
        }
    }
    connect(comboBox, &QComboBox::currentIndexChanged, this, &MySettings::setting_variant_ChangedSlot);
    Q_EMIT comboBox->currentTextChanged(comboBox->currentText());
    Q_EMIT comboBox->currentIndexChanged(comboBox->currentIndex());
}

void MySettings::connectComboBoxText(QComboBox* comboBox)
{
    const QString key = bindingKey(comboBox);
    if (contains(key)) {
        const QSignalBlocker blocker(comboBox);
        comboBox->setCurrentText(value(key).toString());
    }
    connect(comboBox, &QComboBox::currentTextChanged, this, &MySettings::setting_variant_ChangedSlot);
    Q_EMIT comboBox->currentTextChanged(comboBox->currentText());
    Q_EMIT comboBox->currentIndexChanged(comboBox->currentIndex());
}

void MySettings::connectHeaderView(QHeaderView* header)
{
    const QString key = bindingKey(header);
    if (contains(key)) {
        const QSignalBlocker blocker(header);
        header->restoreState(value(key).toByteArray());
        header->setSectionResizeMode(QHeaderView::Interactive);
        header->setSectionsMovable(true);
    }
    connect(header, &QHeaderView::sectionMoved, this, &MySettings::setting_QHeaderView_ChangedSlot_Trigger);
    connect(header, &QHeaderView::sectionResized, this, &MySettings::setting_QHeaderView_ChangedSlot_Trigger);
    // A destroyed header must leave the save list before the timer runs.
    connect(header, &QObject::destroyed, this, [this](QObject* gone) { pendingHeaderViews.removeAll(gone); });
}

void MySettings::connectSplitter(QSplitter* splitter)
{
    const QString key = bindingKey(splitter) + QStringLiteral("/splitterSizes");
    if (contains(key)) {
        const QList<int> sizes = value(key).value<QList<int>>();
        if (sizes.size() == splitter->count()) {
            const QSignalBlocker blocker(splitter);
            splitter->setSizes(sizes);
        }
    }
    connect(splitter, &QSplitter::splitterMoved, this, &MySettings::setting_Splitter_ChangedSlot);
}

// --- helpers of the binding templates ----------------------------------------

void MySettings::restoreSpinBoxWithUnitConfiguration(QWidget* spinBox, const QString& key)
{
    auto* box = qobject_cast<QDoubleSpinBox*>(spinBox);
    if (!box)
        return;
    if (contains(key + QStringLiteral("/stepType")))
        box->setStepType(static_cast<QAbstractSpinBox::StepType>(value(key + QStringLiteral("/stepType")).toInt()));
    if (contains(key + QStringLiteral("/stepValue")))
        box->setSingleStep(value(key + QStringLiteral("/stepValue")).toDouble());
    if (contains(key + QStringLiteral("/fontSize"))) {
        const int points = qBound(kSmallestFontPoints, value(key + QStringLiteral("/fontSize")).toInt(),
                                  kLargestFontPoints);
        QFont font = box->font();
        font.setPointSize(points);
        box->setFont(font);
    }
}

void MySettings::restoreDialogGeometry(QWidget* dialog, const QString& key)
{
    if (!contains(key))
        return;
    const QRect stored = value(key).toRect();
    if (stored.isNull() || !QGuiApplication::screenAt(stored.topLeft()))
        return;
    // The stored rectangle is the window's client geometry; placing it as such
    // (not moving the frame to its corner) keeps the dialog from creeping down
    // by the height of its title bar at every opening.
    dialog->setGeometry(stored);
}

// --- change slots --------------------------------------------------------------

void MySettings::setting_variant_ChangedSlot(const QVariant& changed)
{
    const QString key = senderKey();
    if (!key.isEmpty())
        setValue(key, changed);
}

void MySettings::setting_LineEdit_ChangedSlot()
{
    if (auto* lineEdit = qobject_cast<QLineEdit*>(sender()))
        setValue(bindingKey(lineEdit), lineEdit->text());
}

void MySettings::setting_LineEditPassword_ChangedSlot()
{
    if (auto* lineEdit = qobject_cast<QLineEdit*>(sender()))
        setValue(bindingKey(lineEdit), encrypt(lineEdit->text()));
}

void MySettings::setting_TextEdit_ChangedSlot()
{
    if (auto* textEdit = qobject_cast<QPlainTextEdit*>(sender()))
        setValue(bindingKey(textEdit), textEdit->toPlainText());
}

void MySettings::setting_Splitter_ChangedSlot()
{
    if (auto* splitter = qobject_cast<QSplitter*>(sender()))
        setValue(bindingKey(splitter) + QStringLiteral("/splitterSizes"), QVariant::fromValue(splitter->sizes()));
}

void MySettings::setting_QHeaderView_ChangedSlot_Trigger()
{
    QObject* header = sender();
    if (!header)
        return;
    if (!pendingHeaderViews.contains(header))
        pendingHeaderViews.append(header);
    headerSaveTimer->start(kHeaderSaveDelayMs);
}

void MySettings::setting_QHeaderView_ChangedSlot_Apply()
{
    for (QObject* object : std::as_const(pendingHeaderViews)) {
        if (auto* header = qobject_cast<QHeaderView*>(object))
            setValue(bindingKey(header), header->saveState());
    }
}

void MySettings::setting_QHeaderView_SortOrderChanged()
{
    auto* header = qobject_cast<QHeaderView*>(sender());
    if (!header)
        return;
    const QString key = bindingKey(header);
    setValue(key + QStringLiteral("/sortSection"), header->sortIndicatorSection());
    setValue(key + QStringLiteral("/sortOrder"), static_cast<int>(header->sortIndicatorOrder()));
    setValue(key, header->saveState());
}

void MySettings::setting_Quantity_ChangedSlot(Quantity quantity)
{
    const QString key = senderKey();
    if (!key.isEmpty())
        setValue(key, static_cast<int>(quantity));
}

void MySettings::setting_SpinBoxWithUnit_ValueChangedSlot(double val)
{
    const QString key = senderKey();
    if (!key.isEmpty())
        setValue(key, val);
}

void MySettings::setting_SpinBoxWithUnit_UnitChangedSlot(const Unit* unit)
{
    const QString key = senderKey();
    if (!key.isEmpty() && unit)
        setValue(key + QStringLiteral("/unit"), unit->name);
}

void MySettings::setting_SpinBoxWithUnit_ConfigurationChangedSlot()
{
    auto* box = qobject_cast<QDoubleSpinBox*>(sender());
    if (!box)
        return;
    const QString key = bindingKey(box);
    setValue(key + QStringLiteral("/stepType"), static_cast<int>(box->stepType()));
    setValue(key + QStringLiteral("/stepValue"), box->singleStep());
    setValue(key + QStringLiteral("/fontSize"), box->font().pointSize());
}

void MySettings::setting_QColor_ChangedSlot(const QColor& color)
{
    const QString key = senderKey();
    // A button without a colour would otherwise come back black after a restart.
    if (!key.isEmpty() && color.isValid())
        setValue(key, color.name());
}

void MySettings::setting_KeySequence_ChangedSlot(const QKeySequence& sequence)
{
    const QString key = senderKey();
    if (!key.isEmpty())
        setValue(key, sequence.toString(QKeySequence::PortableText));
}

void MySettings::setting_PointVector_ChangedSlot(const QList<QPointF>& vector)
{
    const QString key = senderKey();
    if (!key.isEmpty())
        setValue(key, QVariant::fromValue(vector));
}

void MySettings::setting_DynoSettingsLossModel_ChangedSlot(const QList<double>& lossModel)
{
    const QString key = senderKey();
    if (!key.isEmpty())
        setValue(key, QVariant::fromValue(lossModel));
}

void MySettings::setting_Dialog_Closed()
{
    auto* dialog = qobject_cast<QWidget*>(sender());
    if (dialog)
        setValue(bindingKey(dialog) + QStringLiteral("/geometry"), dialog->window()->geometry());
}
