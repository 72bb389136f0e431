#include "ArgumentWidget.h"

#include "ArgumentLineEdit.h"
#include "Channels.h"
#include "Function.h"
#include "FunctionsModel.h"
#include "InputChannelsModel.h"
#include "MyMenu.h"
#include "QuantityComboBox.h"
#include "RunChannel.h"
#include "SelectionDialog.h"
#include "UnitComboBox.h"
#include "functions/Argument.h"
#include "functions/ArgumentType.h"
#include "functions/ProjectFieldSource.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QComboBox>
#include <QDebug>
#include <QDoubleValidator>
#include <QHBoxLayout>
#include <QIcon>

ArgumentWidget::ArgumentWidget(QWidget* parent, Argument* argument)
    : QWidget(parent)
    , argument(argument ? argument : new Argument(this))
{
    // Building the editor only shows the argument.
    showing = true;
    connect(this->argument, &Argument::signal_updateWidget, this,
            &ArgumentWidget::slot_updateWidgetToCurrentArgument);
    connect(this->argument, &Argument::signal_argumentSourceKeyChanged, this,
            &ArgumentWidget::slot_updateWidgetToCurrentArgument);

    validator = new QDoubleValidator(this);
    validator->setLocale(QLocale::c());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    typeCombo = new QComboBox(this);
    typeCombo->addItems({tr("null"), tr("constant"), tr("channel"), tr("proj. info")});
    quantityCombo = new QuantityComboBox(this);
    valueEdit = new ArgumentLineEdit(this);
    unitCombo = new UnitComboBox(this);
    layout->addWidget(typeCombo);
    layout->addWidget(quantityCombo);
    layout->addWidget(valueEdit);
    layout->addWidget(unitCombo);

    connect(quantityCombo, &QuantityComboBox::signal_quantityChanged, unitCombo, &UnitComboBox::slot_setQuantity);
    connect(quantityCombo, &QuantityComboBox::signal_quantityChanged, this, &ArgumentWidget::quantityChosen);
    connect(unitCombo, &UnitComboBox::signal_unitChanged, this, &ArgumentWidget::slot_unitChanged);
    connect(typeCombo, &QComboBox::currentIndexChanged, this, &ArgumentWidget::slot_typeChanged);
    slot_typeChanged(typeCombo->currentIndex());

    valueEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(valueEdit, &QWidget::customContextMenuRequested, this,
            &ArgumentWidget::slot_valueContextMenuRequested);
    connect(valueEdit, &ArgumentLineEdit::signal_mouseDoubleClicked, this, &ArgumentWidget::slot_showValueSelector);
    connect(valueEdit, &QLineEdit::textChanged, this, &ArgumentWidget::slot_validateAndUpdateArgument);

    slot_updateWidgetToCurrentArgument();
    showing = false;
}

void ArgumentWidget::setLockedQuantity(Quantity quantity)
{
    lockedQuantity = int(quantity);
    if (lockedQuantity >= 0) {
        showing = true;
        quantityCombo->setQuantity(quantity);
        showing = false;
        quantityCombo->setEnabled(false);
    } else {
        quantityCombo->setEnabled(true);
    }
}

void ArgumentWidget::quantityChosen(Quantity quantity)
{
    if (!showing)
        argument->quantity = quantity;
}

void ArgumentWidget::slot_updateWidgetToCurrentArgument()
{
    const bool wasShowing = showing;
    showing = true;
    typeCombo->setCurrentIndex(argument->getType());
    const Unit* unit = argument->unit;
    {
        const QSignalBlocker blocker(unitCombo);
        quantityCombo->setQuantity(lockedQuantity >= 0 ? static_cast<Quantity>(lockedQuantity) : argument->quantity);
        if (unit)
            unitCombo->setUnit(unit);
    }
    Q_EMIT unitCombo->signal_unitChanged(unitCombo->getUnit());
    showing = wasShowing;
}

void ArgumentWidget::slot_unitChanged(const Unit* unit)
{
    if (!showing)
        argument->unit = unit;
    // A constant in the chosen unit: another unit shows the same physical value.
    QString text;
    if (argument->getType() == ArgumentType_constant) {
        const double constant = argument->getConstant();
        text = QString::number(unit ? unit->getUnitValue(constant) : constant, 'f', 6);
    } else {
        text = argument->getSourceString();
    }
    valueEdit->setText(text);
}

void ArgumentWidget::slot_typeChanged(int type)
{
    const bool otherType = type != argument->getType();
    if (otherType)
        valueEdit->clear();
    valueEdit->setEnabled(true);
    valueEdit->setValidator(nullptr);
    valueEdit->setReadOnly(false);
    unitCombo->hide();
    switch (type) {
    case ArgumentType_null:
        valueEdit->clear();
        valueEdit->setEnabled(false);
        break;
    case ArgumentType_constant:
        valueEdit->setValidator(validator);
        unitCombo->show();
        break;
    case ArgumentType_channel:
    case ArgumentType_projectInfo:
        valueEdit->setReadOnly(true);
        break;
    default:
        qDebug() << "void ArgumentWidget::slot_typeChanged(int)"
                 << "unhandled argument type";
        break;
    }
    // An empty value field announces no text change when it is cleared, yet
    // the argument must take the chosen source type.
    if (otherType && !showing && argument->getType() != type)
        slot_validateAndUpdateArgument();
}

bool ArgumentWidget::slot_validateAndUpdateArgument()
{
    if (showing)
        return false;
    const QString text = valueEdit->text();
    if (quantityCombo->currentQuantity() >= 0)
        argument->quantity = quantityCombo->currentQuantity();
    switch (typeCombo->currentIndex()) {
    case ArgumentType_null:
        argument->setNull(false);
        return false;
    case ArgumentType_constant: {
        const Unit* unit = unitCombo->getUnit();
        const double shown = QLocale::c().toDouble(text);
        argument->setConstant(unit ? unit->getSIValue(shown) : shown, false);
        return false;
    }
    case ArgumentType_channel: {
        RunChannel* channel = theChannels.getChannelByKey(text);
        if (channel) {
            argument->setChannel(channel, false);
            return false;
        }
        if (theFunctionsModel.keyOfUnreadFile(text) || theInputChannelsModel.keyOfUnreadFile(text)) {
            // The file that holds this channel could not be read (the
            // operator was told). The key stays as stored, so one bad file
            // does not wipe the settings that name its channels; repaired,
            // the next start binds them again.
            qDebug().noquote() << QStringLiteral("Channel key '%1' kept for argument %2: its file could not be read")
                                      .arg(text, objectName());
            argument->setChannel(nullptr, false);
            return false;
        }
        if (!text.isEmpty()) {
            Tools::showError(tr("Channel key '%1' is invalid for argument").arg(text));
            valueEdit->clear();
            argument->setChannel(nullptr, false);
            return true;
        }
        argument->setChannel(nullptr, false);
        return false;
    }
    case ArgumentType_projectInfo: {
        ProjectFieldSource* source = Argument::projectFieldSource();
        const int field = source ? source->getFieldIdFromKey(text) : -1;
        if (field == -1 && !text.isEmpty()) {
            Tools::showError(tr("Project info key '%1' is invalid for argument").arg(text));
            valueEdit->clear();
            argument->setProjectInfo(-1, false);
            return true;
        }
        argument->setProjectInfo(field, false);
        return false;
    }
    default:
        qDebug() << "bool ArgumentWidget::slot_validateAndUpdateArgument()"
                 << "unhandled argument type";
        return true;
    }
}

void ArgumentWidget::slot_showValueSelector()
{
    const Quantity quantity = unitCombo->getQuantity();
    switch (typeCombo->currentIndex()) {
    case ArgumentType_channel: {
        const QList<AbstractChannel*> channels = theChannels.listAllChannels(quantity);
        if (channels.isEmpty()) {
            Tools::showInfo(tr("No channel with type \"%2\" is available")
                                .arg(theUnits.quantityNames.value(int(quantity))));
            return;
        }
        SelectionDialog dialog(this, tr("Select Item"));
        dialog.setContent(channels);
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
            argument->setChannel(qobject_cast<RunChannel*>(dialog.getSelectedChannel()), true);
        break;
    }
    case ArgumentType_projectInfo: {
        ProjectFieldSource* source = Argument::projectFieldSource();
        if (!source)
            return;
        SelectionDialog dialog(this, tr("Select Item"));
        dialog.setContent(source->listKeysForArgument(quantity));
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
            argument->setProjectInfo(source->getFieldIdFromKey(dialog.getSelectedKey()), true);
        break;
    }
    default:
        break;
    }
}

void ArgumentWidget::slot_valueContextMenuRequested(const QPoint& pos)
{
    MyMenu menu(this);
    QAction* choose = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("Choose channel"));
    QAction* clear = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-clear")), tr("Clear"));
    QAction* editFunction = nullptr;
    QAction* newFunction = nullptr;
    if (typeCombo->currentIndex() == ArgumentType_channel) {
        Function* function = theFunctionsModel.getFunctionByKey(valueEdit->text());
        if (function)
            editFunction = menu.addAction(QIcon::fromTheme(QStringLiteral("accessories-text-editor")),
                                          tr("Edit function"));
        newFunction = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("New function"));
    }
    QAction* picked = menu.exec(valueEdit->mapToGlobal(pos));
    if (!picked)
        return;
    if (picked == choose) {
        slot_showValueSelector();
    } else if (picked == clear) {
        valueEdit->clear();
        slot_validateAndUpdateArgument();
    } else if (picked == editFunction) {
        // Looked up again: the menu ran an event loop.
        if (Function* function = theFunctionsModel.getFunctionByKey(valueEdit->text()))
            theFunctionsModel.editFunction(function);
    } else if (picked == newFunction) {
        const Quantity quantity = quantityCombo->currentQuantity();
        if (Function* function = theFunctionsModel.action_newFunction(quantity < 0 ? Quantity::None : quantity))
            argument->setChannel(function, true);
    }
}
