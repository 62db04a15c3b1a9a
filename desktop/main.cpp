// SPDX-License-Identifier: MIT
// quillstow-desktop [--home DIR] [--screenshot DIR]: the desktop program. Runs the start-up in
// the archive home (as the command line finds it), opens the frame and, on the first start, the
// start-up wizard.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>
#include <cstdlib>
#include <iostream>

#include "app/home_dir.h"
#include "app/startup.h"
#include "desktop/frame.h"
#include "desktop/gui_dialog.h"
#include "desktop/screenshots.h"
#include "storage/database_list.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillstow"));
    QApplication::setDesktopFileName(QStringLiteral("quillstow-desktop"));
    // The icon installed beside the program (share/icons/hicolor), where the desktop finds it.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quillstow")));
    QCommandLineParser args;
    args.addHelpOption();
    args.addOption(
        {QStringLiteral("home"), QStringLiteral("The archive home."), QStringLiteral("DIR")});
    args.addOption({QStringLiteral("screenshot"),
                    QStringLiteral("Write a picture of each main window to DIR and quit."),
                    QStringLiteral("DIR")});
    args.addOption({QStringLiteral("sample"),
                    QStringLiteral("The mailbox the progress window's picture imports again."),
                    QStringLiteral("FILE")});
    args.process(app);

    qs::desktop::GuiDialog dialog;
    qs::SystemClock clock;
    qs::Session s(dialog, clock);
    try {
        const std::string home = args.isSet(QStringLiteral("home"))
                                     ? args.value(QStringLiteral("home")).toStdString()
                                     : qs::default_home();
        qs::StartupOutcome up = qs::StartUp(s, home);
        if (!up.ok) return 1;
        qs::desktop::Frame frame(s);
        dialog.set_parent(&frame);
        frame.show();
        if (args.isSet(QStringLiteral("screenshot"))) {
            const QString dir = args.value(QStringLiteral("screenshot"));
            const QString sample = args.value(QStringLiteral("sample"));
            QTimer::singleShot(0, &frame, [&frame, dir, sample] {
                QApplication::exit(qs::desktop::take_screenshots(frame, dir, sample) ? 0 : 1);
            });
        } else if (up.first_run) {
            QTimer::singleShot(0, &frame, [&frame] { frame.SemaFore(22); });
        } else {
            // The user picks the database to work on.
            if (!qs::ListDatabases(s).empty()) frame.start(QStringLiteral("ChangeForum"));
        }
        return QApplication::exec();
    } catch (const qs::Halt& h) {
        std::cerr << "quillstow-desktop: " << h.what() << "\n";
        return 1;
    }
}
