#pragma once

#include <QWidget>

// STAND-IN until reports are built: the SETTINGS page "Result Screen editor".
// The after-run result screen does not exist yet, so it is never shown.
class ResultScreenEditor : public QWidget
{
    Q_OBJECT
public:
    explicit ResultScreenEditor(QWidget* parent = nullptr);
    void maybeShowResultScreen();
};
