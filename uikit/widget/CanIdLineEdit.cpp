#include "CanIdLineEdit.h"

#include "HexNumberValidator.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

// QIntValidator lets a number above its top stay as "intermediate" while it has
// no more digits than the top (536870912 passes for 536870911), so the field
// would announce a 30-bit identifier. Such a number can never become valid by
// typing more digits: refuse it.
class IdentifierValidator : public QIntValidator
{
public:
    IdentifierValidator(int top, QObject* parent)
        : QIntValidator(0, top, parent)
    {
    }

    State validate(QString& text, int& pos) const override
    {
        const State state = QIntValidator::validate(text, pos);
        if (state != Intermediate)
            return state;
        bool ok = false;
        const qlonglong number = text.toLongLong(&ok);
        return ok && number > top() ? Invalid : state;
    }
};

} // namespace

CanIdLineEdit::CanIdLineEdit(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    hexEdit = new QLineEdit(this);
    hexEdit->setObjectName(QStringLiteral("hex"));
    decEdit = new QLineEdit(this);
    decEdit->setObjectName(QStringLiteral("dec"));
    layout->addWidget(hexEdit);
    layout->addWidget(decEdit);
    // A pair of line edits is one line high, as a single line edit is.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* hexValidator = new HexNumberValidator(hexEdit);
    hexValidator->maxValue = kLargestId;
    hexEdit->setValidator(hexValidator);
    decEdit->setValidator(new IdentifierValidator(kLargestId, decEdit));

    connect(hexEdit, &QLineEdit::textChanged, this, &CanIdLineEdit::slot_hexEditChanged);
    connect(decEdit, &QLineEdit::textChanged, this, &CanIdLineEdit::slot_decEditChanged);
}

void CanIdLineEdit::setReadOnly(bool readOnly)
{
    hexEdit->setReadOnly(readOnly);
    decEdit->setReadOnly(readOnly);
}

void CanIdLineEdit::setCanId(int newId)
{
    if (newId == id)
        return;
    // A file may hold anything; only a 29-bit identifier reaches the fields.
    if (newId < 0 || newId > kLargestId) {
        qDebug() << "CAN identifier" << newId << "is outside 0..0x1FFFFFFF; not shown";
        return;
    }
    id = newId;
    {
        const QSignalBlocker hexBlocker(hexEdit);
        const QSignalBlocker decBlocker(decEdit);
        hexEdit->setText(QString::asprintf("%X", static_cast<unsigned int>(id)));
        decEdit->setText(QString::number(id));
    }
    Q_EMIT signal_canIdChanged(id);
}

void CanIdLineEdit::slot_hexEditChanged(const QString& text)
{
    bool ok = false;
    const uint number = text.toUInt(&ok, 16);
    id = ok ? static_cast<int>(number) : 0;
    {
        const QSignalBlocker blocker(decEdit);
        decEdit->setText(QString::number(id));
    }
    Q_EMIT signal_canIdChanged(id);
}

void CanIdLineEdit::slot_decEditChanged(const QString& text)
{
    bool ok = false;
    const uint number = text.toUInt(&ok, 10);
    id = ok ? static_cast<int>(number) : 0;
    {
        const QSignalBlocker blocker(hexEdit);
        hexEdit->setText(QString::asprintf("%X", static_cast<unsigned int>(id)));
    }
    Q_EMIT signal_canIdChanged(id);
}
