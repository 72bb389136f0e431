#include "AbstractOutputWidget.h"

#include "RunWidgetSetupRows.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>

AbstractOutputWidget::AbstractOutputWidget(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    faceLayout = new QHBoxLayout(this);
    faceLayout->setContentsMargins(1, 1, 1, 1);
    faceLayout->setSpacing(5);
    faceLayout->setAlignment(Qt::AlignCenter);
    label_icon = new QLabel(this);
    label_icon->setScaledContents(true);
    label_icon->setFixedSize(0, 0);
    label_text = new QLabel(this);
    label_text->setTextFormat(Qt::PlainText);
    label_text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    faceLayout->addWidget(label_icon, 0, Qt::AlignVCenter);
    faceLayout->addWidget(label_text, 1);

    label_setup = new QLabel(this);
    label_setup->hide();
    checkBox_visible = new QCheckBox(this);
    checkBox_visible->hide();
    checkBox_visible->setChecked(true);
    checkBox_protected = new QCheckBox(this);
    checkBox_protected->hide();
    connect(checkBox_visible, &QCheckBox::stateChanged, this,
            [this](int state) { setVisible(state != Qt::Unchecked); });

    dialog = new QDialog(this);
    dialog->setMinimumWidth(300);
    dialogForm = new QFormLayout(dialog);
    dialogForm->setLabelAlignment(Qt::AlignRight);
}

void AbstractOutputWidget::init()
{
    RunWidgetSetupRows::add(label_setup, checkBox_visible, checkBox_protected, prefix);
}

void AbstractOutputWidget::setFormat(int)
{
}

void AbstractOutputWidget::setIconSize(int px)
{
    label_icon->setFixedSize(px, px);
}

bool AbstractOutputWidget::isVisibilityChecked() const
{
    return !checkBox_visible || checkBox_visible->isChecked();
}

void AbstractOutputWidget::showConfigurationDialog(const QPoint& pos)
{
    if (checkBox_protected && checkBox_protected->isChecked()) {
        Tools::showInfo(tr("Configuration protected"));
        return;
    }
    dialog->move(mapToGlobal(pos));
    DialogAnswerer::exec(dialog);
    validateArguments();
}

void AbstractOutputWidget::slot_iconChanged(const QIcon& icon)
{
    label_icon->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(256, 256));
}
