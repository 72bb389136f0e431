#pragma once

#include <QString>
#include <QWidget>

class KioskBrowser;
class QCheckBox;
class QFile;
class QPushButton;
class QSpinBox;
class QTextEdit;

// The SETTINGS page "Result Screen editor" and the after-run result screen it
// edits: an HTML page whose run_info and project_info tags are filled from the
// last loaded run and shown full screen in a kiosk browser for the set time.
class ResultScreenEditor : public QWidget
{
    Q_OBJECT
public:
    explicit ResultScreenEditor(QWidget* parent = nullptr);
    ~ResultScreenEditor() override;

    // The filled page, UTF-8 with a byte-order mark, written into the open file.
    void fillResultScreen(QFile* file);
    // The filled page as text; a fill stopped by an error keeps what came before it.
    QString filledPage();
    // Fills the page file and shows it for the set time.
    void showResultScreen();
    // Shows the result screen when "Enable" is checked.
    void maybeShowResultScreen();

    QString templatePath() const;
    // The page the browser shows: in this process's private folder, owner only.
    static QString pagePath();

    QCheckBox* checkBox_enable = nullptr;
    QSpinBox* spinBox_duration = nullptr;
    QPushButton* pushButton_save = nullptr;
    QPushButton* pushButton_loadDefault = nullptr;
    QPushButton* pushButton_insertItem = nullptr;
    QPushButton* pushButton_preview = nullptr;
    QTextEdit* editor = nullptr;
    KioskBrowser* browser = nullptr;

public Q_SLOTS:
    void slot_updateEditorContent();
    void slot_save();
    void slot_loadDefault();
    void slot_insertItem();
    void slot_preview();
};
