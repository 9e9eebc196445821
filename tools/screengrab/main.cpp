// nimbrook-screengrab OUT.png: saves a picture of the whole screen of the current display (for
// end-to-end checks under Xvfb). Exit code 1 when there is no screen or the file cannot be written.
#include "base/Commandlinehelp.h"
#include "platform/Unattendedplatform.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view kUsage = "usage: nimbrook-screengrab OUT.png\n"
                                    "Saves a picture of the whole screen of the current display.\n";

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook-screengrab", kUsage)) {
        return *answered;
    }
    if (argc != 2 || argv[1][0] == '-') {
        return UsageError(kUsage);
    }
    LeaveOutToolkitNotes();
    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "nimbrook-screengrab: no screen\n");
        return 1;
    }
    const QPixmap picture = screen->grabWindow(0);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "nimbrook-screengrab: cannot grab the screen into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
