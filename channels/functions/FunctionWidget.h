#pragma once

#include "lib/Quantity.h"

#include <QList>
#include <QString>
#include <QWidget>

class ArgumentWidget;
class ChannelSetupWidget;
class Function;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;

// The editor of one computed function. It writes every edit into the function
// at once, so the function keeps being evaluated live as it is edited; the
// functions model keeps a backup to restore on Cancel.
class FunctionWidget : public QWidget
{
    Q_OBJECT
public:
    FunctionWidget(QWidget* parent, Function* function);

    void setProhibitedFunctionNames(const QList<QString>& names);

    QFormLayout* layout = nullptr;
    Function* function = nullptr;
    QLineEdit* nameEdit = nullptr;
    QComboBox* operatorBox = nullptr;
    QList<QLabel*> argumentLabels;
    QList<ArgumentWidget*> argumentEditors;
    QLabel* equationLabel = nullptr;
    QLineEdit* equationEdit = nullptr;
    QLineEdit* shellCommandEdit = nullptr;
    QCheckBox* lockBox = nullptr;
    ChannelSetupWidget* setupEditor = nullptr;
    QList<QString> prohibitedNames;

Q_SIGNALS:
    void signal_validationAccepted();

public Q_SLOTS:
    void slot_setName(const QString& name);
    void slot_operatorChanged();
    void slot_firstArgumentQuantityChanged(Quantity quantity);
    void slot_equation(const QString& equation);
    void slot_setShellCommand(const QString& command);
    void slot_setManufacturerFunction(bool locked);
    void slot_validateAccept();
};
