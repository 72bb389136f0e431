#pragma once

#include <QDialog>

class Function;
class FunctionWidget;

// The modal dialog of one computed function: its editor with Ok and Cancel.
// Ok closes only when the editor's validation passes.
class FunctionDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FunctionDialog(Function* function);

    FunctionWidget* functionWidget = nullptr;
};
