#pragma once

#include <QDialog>
#include <QStringList>

class ParameterEditorManager;
class QDialogButtonBox;
class QLineEdit;

// The base of every dialog that edits one channel, interface or device record
// in place. The subclass builds its form with `parameterEditorManager`, whose
// editors write each edit into the record at once. Ok closes only when
// validate() accepts the record as it stands; Cancel, Escape and the window's
// close button all put every bound field back.
class AbstractParameterEditorDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AbstractParameterEditorDialog(QWidget* parent);

    // True refuses Ok (the dialog stays open); the subclass shows why first.
    virtual bool validate();
    // Refuses an empty name or one in `existingNames`, after saying so.
    bool validateName();

    // Applies held-back changes, restores every bound field and rejects.
    void reject() override;

    // Names other records of this kind already use (the opener fills it, for
    // an edit without the record's own name).
    QStringList existingNames;
    ParameterEditorManager* parameterEditorManager = nullptr;
    // Ok and Cancel; the subclass places it in its form.
    QDialogButtonBox* buttonBox = nullptr;
    // The record's name field, which validateName reads; set by the subclass.
    QLineEdit* nameLineEdit = nullptr;

private Q_SLOTS:
    void slot_buttonBox_accepted();
    void slot_buttonBox_rejected();
};
