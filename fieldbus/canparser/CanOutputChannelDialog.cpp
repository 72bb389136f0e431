#include "CanOutputChannelDialog.h"

#include "Argument.h"
#include "CanOutputChannel.h"
#include "CanOutputMessage.h"
#include "ParameterEditorManager.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMutexLocker>

#include <limits>

CanOutputChannelDialog::CanOutputChannelDialog(QWidget* parent, CanOutputMessage* owner, int channelIndex)
    : AbstractParameterEditorDialog(parent)
    , message(owner)
    , index(channelIndex)
{
    {
        QMutexLocker lock(&message->mutex);
        edited = std::make_unique<CanOutputChannel>(*message->channels.at(index));
    }
    setWindowTitle(tr("CAN Output"));
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    ParameterEditorManager* manager = parameterEditorManager;
    manager->layout = form;
    const double inf = std::numeric_limits<double>::infinity();
    CanOutputChannel* c = edited.get();
    const Quantity quantity = c->argument->quantity;
    shownQuantity = int(quantity);

    manager->addEditor(c->argument);
    fallbackEditor = manager->addEditor_withUnit(tr("Fallback value"), &c->fallbackValue, quantity, c->fallbackUnit,
                                                 -inf, inf, 10);
    outputUnitCombo = manager->addEditor(tr("Output unit"), &c->outputUnit, quantity);
    manager->addLayoutLine();
    manager->addEditor(tr("Offset"), &c->offset, -inf, inf, 10);
    manager->addEditor(tr("Multiplier"), &c->multiplier, -inf, inf, 10);
    manager->addEditor(tr("Divider"), &c->divider, -inf, inf, 10);
    manager->addLayoutLine();
    manager->addEditor(tr("Bit count"), &c->bitCount, 1, 64);
    manager->addEditor(tr("Byte offset"), &c->byteOffset, 0, 7);
    manager->addEditor(tr("Bit offset"), &c->bitOffset, 0, 63);
    manager->addEditor(tr("Signedness"), &c->isSigned);
    manager->addLayoutLine();
    manager->addEditor(tr("Comment"), &c->comment);
    form->addRow(buttonBox);

    // The fallback's unit is only how it is shown; the value stays SI.
    const Unit* fallbackUnitBackup = c->fallbackUnit;
    connect(fallbackEditor, &SpinBoxWithUnit::signal_unitChanged, this, [this](const Unit* unit) {
        edited->fallbackUnit = unit;
        publish();
    });
    connect(this, &QDialog::rejected, this, [this, fallbackUnitBackup] {
        edited->fallbackUnit = fallbackUnitBackup;
        publish();
    });
    connect(manager, &ParameterEditorManager::signal_parametersChanged, this, [this] {
        const Quantity now = edited->argument->quantity;
        if (int(now) != shownQuantity) {
            shownQuantity = int(now);
            fallbackEditor->slot_setQuantity(now);
            outputUnitCombo->slot_setQuantity(now);
        }
        publish();
    });
}

CanOutputChannelDialog::~CanOutputChannelDialog() = default;

void CanOutputChannelDialog::publish()
{
    message->replaceChannel(index, *edited);
    emit signal_updatePreview();
}

bool CanOutputChannelDialog::validate()
{
    bool refused = false;
    if (edited->multiplier == 0.0) {
        Tools::showError(tr("Multiplier is set to '0'. Did you mean '1'?"));
        refused = true;
    }
    if (edited->divider == 0.0) {
        Tools::showError(tr("Divider can't be set to '0'. Did you mean '1'?"));
        refused = true;
    }
    if (qint64(edited->bitOffset) + qint64(edited->byteOffset) * 8 + edited->bitCount > 64) {
        Tools::showError(tr("You are trying to extract data out of range. Please check 'Bit count', 'Byte offset', "
                            "'Bit offset'."));
        refused = true;
    }
    return refused;
}
