#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QPointer>
#include <QString>

class QDialog;
class QFormLayout;
class QHBoxLayout;
class QLabel;

// The common face of the RUN tab's output column: a framed button with an
// icon and a text, a configuration dialog opened by a right click, and a row
// of the SETTINGS tab's RUN WIDGETS grid that shows the button and protects
// its configuration. Every settings key is the subclass's prefix followed by a name.
class AbstractOutputWidget : public QFrame
{
    Q_OBJECT
public:
    explicit AbstractOutputWidget(QWidget* parent = nullptr);

    // Registers the setup row.
    virtual void init();
    virtual void validateArguments() = 0;
    // One-line or two-line text; nothing in the base.
    virtual void setFormat(int twoLines);

    void setIconSize(int px);
    bool isVisibilityChecked() const;
    void showConfigurationDialog(const QPoint& pos);

    QString prefix;
    QLabel* label_icon = nullptr;
    QLabel* label_text = nullptr;
    QHBoxLayout* faceLayout = nullptr;
    QLabel* label_setup = nullptr;
    // Both move to the SETTINGS grid once registered, which may be destroyed first.
    QPointer<QCheckBox> checkBox_visible;
    QPointer<QCheckBox> checkBox_protected;
    QDialog* dialog = nullptr;
    QFormLayout* dialogForm = nullptr;

public Q_SLOTS:
    void slot_iconChanged(const QIcon& icon);
};
