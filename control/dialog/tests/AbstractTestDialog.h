#pragma once

#include <QDialog>

// The window base of every test mode: a non-modal dialog over the RUN tab.
// Keys that no editor consumed go to the main window, so its function-key
// shortcuts keep working while a test has the focus; Escape and Enter do
// nothing of their own. Closing is never refused and never a reject().
class AbstractTestDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AbstractTestDialog(QWidget* parent);

Q_SIGNALS:
    // The settings store saves the window geometry on it.
    void signal_windowClosed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
