// Pictures of the dyno settings pages of one board as a real window system
// draws them (run under Xvfb):
//   xvfb-run -a settings_pages_shots DEVICE_CODE OUTPUT_FOLDER
// Registers the settings on the simulated controller of that board and writes
// one picture per group (its first channel page), plus the frequency input's
// engine-speed page. Fails when a picture comes out blank.
#include "SettingsFixture.h"

#include "ACMTabWidget.h"
#include "Colors.h"
#include "Fonts.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSet>
#include <QTest>
#include <QTextStream>

namespace {

bool drawn(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    }
    return colours.size() > 8;
}

bool shoot(QWidget& window, const QString& path)
{
    QTest::qWait(150);
    const QImage image = window.grab().toImage();
    if (!image.save(path) || !drawn(image)) {
        QTextStream(stderr) << "blank or unsaved picture: " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 3) {
        QTextStream(stderr) << "usage: settings_pages_shots DEVICE_CODE OUTPUT_FOLDER\n";
        return 2;
    }
    const int code = QString::fromLocal8Bit(argv[1]).toInt();
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
        return 2;
    theColors.init();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    QApplication::setFont(font);
    theFonts.init();

    SettingsFixture fixture(code);
    if (!fixture.start())
        return 1;
    ACMTabWidget& tabs = *fixture.tabs;
    tabs.setTabPosition(QTabWidget::West);
    tabs.resize(1180, 800);
    tabs.show();
    if (!QTest::qWaitForWindowExposed(&tabs))
        return 1;

    bool ok = true;
    for (int group = 0; group < tabs.count(); ++group) {
        tabs.setCurrentIndex(group);
        const QString name = tabs.widget(group)->property("acmKey").toString().mid(int(qstrlen("dynoSettings_")));
        ok &= shoot(tabs, folder.filePath(QStringLiteral("code%1_%2_%3.png").arg(code).arg(group, 2, 10, QLatin1Char('0')).arg(name)));
        if (name == QLatin1String("frequencyInput")) {
            auto* channels = qobject_cast<QTabWidget*>(tabs.widget(group));
            channels->setCurrentIndex(channels->count() - 2);
            ok &= shoot(tabs, folder.filePath(QStringLiteral("code%1_%2_%3_engineSpeed.png")
                                                  .arg(code)
                                                  .arg(group, 2, 10, QLatin1Char('0'))
                                                  .arg(name)));
            channels->setCurrentIndex(0);
        }
    }
    return ok ? 0 : 1;
}
