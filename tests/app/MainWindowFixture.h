#pragma once

#include <QString>

class MainUI;

// Builds, in the test's own process, what main builds before the main window
// (colours, fonts, the channel-setup loader, the thread objects) on a board
// whose first-run set-up is done, then the main window itself.
namespace MainWindowFixture {

// Call once, before any main window; `simulatedController` becomes
// ZEMBO_SIM_CONTROLLER (empty: the default controller).
void prepareProcess(const QString& simulatedController = QString());
MainUI* createWindow();
// Destroys the window as main does when the event loop has ended.
void destroyWindow(MainUI* window);

} // namespace MainWindowFixture
