#pragma once

class QWidget;

// Where the operator's keyboard shortcuts live. A shortcut fires only while its
// parent widget is shown and not hidden behind a modal dialog, so operator
// input channels put theirs (and their game-pad bindings) on the main window
// and triggers on the main window's top widget. The main window registers both
// when it is built; before that, and in processes without a main window, no
// shortcuts are made. GUI thread only.
class ShortcutParents
{
public:
    static void setMainWindow(QWidget* window);
    static QWidget* mainWindow();
    static void setTriggerDefault(QWidget* widget);
    static QWidget* triggerDefault();
};
