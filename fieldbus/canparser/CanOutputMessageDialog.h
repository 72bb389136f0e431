#pragma once

#include "AbstractParameterEditorDialog.h"
#include "CanOutputMessageFields.h"

class CanOutputMessage;
class QSpinBox;

// The editor of one CAN output message: bus, identifier, trigger, byte order,
// initial data and comment. The fields are edited apart from the live
// message and copied into it under its mutex at every change; Cancel puts
// the old ones back the same way.
class CanOutputMessageDialog : public AbstractParameterEditorDialog
{
    Q_OBJECT
public:
    CanOutputMessageDialog(QWidget* parent, CanOutputMessage* message);

    CanOutputMessage* message = nullptr;
    CanOutputMessageFields fields;
    QSpinBox* channelSpinBox = nullptr;

Q_SIGNALS:
    void signal_updatePreview();
};
