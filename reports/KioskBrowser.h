#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;
class QTimer;

// The full-screen browser of the result screen. It runs in a process group of
// its own, so closing it reaches its helper processes and nothing else: a
// browser of the operator's, or any process that merely names the same page,
// is never touched. Closing never waits: SIGTERM to the group, and SIGKILL a
// few seconds later if the browser is still there.
class KioskBrowser : public QObject
{
    Q_OBJECT
public:
    explicit KioskBrowser(QObject* parent = nullptr);
    ~KioskBrowser() override;

    // Shows the page for the given time; a page still shown is closed first.
    // False when no browser could be started (told to the debug log).
    bool show(const QString& pagePath, int durationMs);
    // Closes the browser now, if one is shown.
    void close();

    // The browser's process id (its group id too), 0 when none runs.
    qint64 processId() const;

    // The board's "chromium-browser", Debian's "chromium", or under tests the
    // program named by ZEMBO_TEST_RESULT_SCREEN_BROWSER.
    static QString program();
    // A private profile, so the operator's own browser and its session are
    // neither reused nor changed by the kiosk window.
    static QStringList arguments(const QString& pagePath, const QString& profileDir);

    // How long the browser gets to end after SIGTERM.
    int killDelayMs = 3000;

Q_SIGNALS:
    void signal_closed();

private:
    void signalGroup(int signal);

    QProcess* process = nullptr;
    QTimer* durationTimer = nullptr;
};
