#include "ShortcutWidget.h"

#include "lib/Tools.h"

#include <QKeyEvent>

ShortcutWidget::ShortcutWidget(QWidget* parent)
    : QPushButton(parent)
{
    setCheckable(true);
    setAutoDefault(false);
    setToolTip(tr("Click to set new shortcut.\nPress Escape or click again to cancel.\nPress Backspace to clear "
                  "shortcut."));
    connect(this, &QPushButton::toggled, this, &ShortcutWidget::slot_checkStateChanged);
}

void ShortcutWidget::slot_checkStateChanged(bool checked)
{
    if (checked)
        setText(tr("Press new shortcut sequence. Esc to cancel. Backspace to clear."));
    else
        setText(keySequence.toString(QKeySequence::NativeText));
}

void ShortcutWidget::setKeySequence(const QKeySequence& sequence)
{
    if (sequence == keySequence)
        return;
    keySequence = sequence;
    setText(keySequence.toString(QKeySequence::NativeText));
    setChecked(false);
    emit signal_sequenceChanged(sequence);
}

void ShortcutWidget::checkAndSetNewKeySequence(int modifiers, int key)
{
    static const QList<int> hardcoded = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5,
                                         Qt::Key_6, Qt::Key_A, Qt::Key_C, Qt::Key_D, Qt::Key_L,
                                         Qt::Key_M, Qt::Key_N, Qt::Key_S, Qt::Key_V};
    if (modifiers == Qt::AltModifier && hardcoded.contains(key)) {
        Tools::showError(tr("This shortcut is already hardcoded for other use. Please select another one."));
        return;
    }
    if (modifiers == Qt::NoModifier) {
        const bool functionKey = key >= Qt::Key_F9 && key <= Qt::Key_F35;
        if (!functionKey && key != Qt::Key_Insert && key != Qt::Key_ScrollLock && key != Qt::Key_Pause) {
            Tools::showError(
                tr("Single key is not suitable for a shortcut. Use a key with modifier like Ctrl or Alt."));
            return;
        }
    }
    const QKeySequence sequence {QKeyCombination(Qt::KeyboardModifiers(modifiers), Qt::Key(key))};
    for (int standard = QKeySequence::UnknownKey + 1; standard <= QKeySequence::Cancel; ++standard) {
        const QList<QKeySequence> bindings = QKeySequence::keyBindings(QKeySequence::StandardKey(standard));
        if (bindings.contains(sequence)) {
            Tools::showError(tr("Shortcut ") + sequence.toString(QKeySequence::NativeText)
                             + tr(" is not suitable for shortcut because it is system shortcut."));
            return;
        }
    }
    setKeySequence(sequence);
}

void ShortcutWidget::keyPressEvent(QKeyEvent* event)
{
    // Idle, the button does not react to the keyboard at all.
    if (!isChecked()) {
        event->ignore();
        return;
    }
    event->accept();
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        setChecked(false);
        return;
    }
    if (key == Qt::Key_Backspace) {
        setChecked(false);
        setKeySequence(QKeySequence());
        return;
    }
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Meta || key == Qt::Key_Alt)
        return;
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    checkAndSetNewKeySequence(int(modifiers), key);
}

void ShortcutWidget::keyReleaseEvent(QKeyEvent* event)
{
    if (!isChecked()) {
        event->ignore();
        return;
    }
    event->accept();
}

void ShortcutWidget::focusOutEvent(QFocusEvent* event)
{
    setChecked(false);
    QPushButton::focusOutEvent(event);
}
