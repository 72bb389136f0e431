#include "ResultScreenEditor.h"

ResultScreenEditor::ResultScreenEditor(QWidget* parent)
    : QWidget(parent)
{
}

void ResultScreenEditor::maybeShowResultScreen()
{
}
