#pragma once

class AnalyzeWidget;
class IO;
class Projects;
class QComboBox;
class QMainWindow;
class QPushButton;
class QTabWidget;
class QWidget;
class RunWidget;
class Settings;
class Statusbar;

// The main window's structure: the central widget, the main tabs with their
// pages, the status bar and the corner widgets of the ANALYZE tab. Every part
// of the program reaches the pages through theUI. The widgets belong to the
// main window; this only points at them.
class UI
{
public:
    explicit UI(QMainWindow* window);

    QWidget* centralWidget = nullptr;
    QTabWidget* tabWidget_main = nullptr;
    Projects* projects = nullptr;
    AnalyzeWidget* analyzeWidget = nullptr;
    RunWidget* runWidget = nullptr;
    IO* io = nullptr;
    Settings* settings = nullptr;
    Statusbar* statusbar = nullptr;
    QComboBox* comboBox_powerCorrection = nullptr;
    QComboBox* comboBox_analyze_masterChannel = nullptr;
    QPushButton* pushButton_print = nullptr;
};

// Valid from the start of UI's construction until the main window is destroyed.
extern UI* theUI;
