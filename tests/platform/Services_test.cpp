#include "platform/Appmessage.h"
#include "platform/Dialogfilter.h"
#include "platform/Dwinmodule.h"
#include "platform/Timer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QUuid>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Records the application messages it receives, in order.
class Recorder : public QObject {
public:
    struct Seen {
        int message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        int stillQueued; // of the same number, at the time of handling
    };
    std::vector<Seen> seen;

protected:
    bool event(QEvent* event) override {
        if (const TAppMessageEvent* message = AppMessage(event)) {
            seen.push_back({message->Message(), message->WParam(), message->LParam(),
                            PendingAppMessages(this, message->Message(), message->Message()) - 1});
            return true;
        }
        return QObject::event(event);
    }
};

void RunUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

QString UniqueLockName() {
    return QStringLiteral("nimbrook-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace

TEST(AppMessages, ArriveInOrderWithTheirParameters) {
    Recorder window;
    ASSERT_TRUE(PostAppMessage(&window, kWmApp + 4, 640, 480));
    ASSERT_TRUE(PostAppMessage(&window, kWmApp + 3, 45, -2));
    EXPECT_FALSE(PostAppMessage(&window, kWmApp - 1, 0, 0));
    EXPECT_FALSE(PostAppMessage(nullptr, kWmApp, 0, 0));
    EXPECT_TRUE(window.seen.empty()); // posted, not sent
    QCoreApplication::processEvents();
    ASSERT_EQ(window.seen.size(), 2u);
    EXPECT_EQ(window.seen[0].message, kWmApp + 4);
    EXPECT_EQ(window.seen[0].wParam, 640u);
    EXPECT_EQ(window.seen[0].lParam, 480);
    EXPECT_EQ(window.seen[1].message, kWmApp + 3);
    EXPECT_EQ(window.seen[1].lParam, -2);
    EXPECT_EQ(PendingAppMessages(&window, kWmApp, kWmAppLast), 0);
}

TEST(AppMessages, DrainRemovesAndCountsOnlyTheQueuedMessagesOfTheRangeAndWindow) {
    Recorder window;
    Recorder other;
    for (int i = 0; i < 5; ++i) {
        PostAppMessage(&window, kWmApp + 4, static_cast<std::uintptr_t>(i), 0);
    }
    PostAppMessage(&window, kWmApp + 2, 1, 0);
    PostAppMessage(&other, kWmApp + 4, 9, 0);
    EXPECT_EQ(TWinModule::DrainMessages(&window, kWmApp + 4, kWmApp + 4), 5);
    EXPECT_EQ(TWinModule::DrainMessages(&window, kWmApp + 4, kWmApp + 4), 0);
    QCoreApplication::processEvents();
    ASSERT_EQ(window.seen.size(), 1u);
    EXPECT_EQ(window.seen[0].message, kWmApp + 2);
    ASSERT_EQ(other.seen.size(), 1u);
    EXPECT_EQ(other.seen[0].wParam, 9u);
}

TEST(AppMessages, TheMessageBeingHandledIsNotCountedAsQueued) {
    Recorder window;
    PostAppMessage(&window, kWmApp + 4, 0, 0);
    PostAppMessage(&window, kWmApp + 4, 1, 0);
    QCoreApplication::processEvents();
    ASSERT_EQ(window.seen.size(), 2u);
    EXPECT_EQ(window.seen[0].stillQueued, 1);
    EXPECT_EQ(window.seen[1].stillQueued, 0);
}

TEST(Timer, StartsDisabledAtOneSecondAndTicksOnlyWhileEnabled) {
    TTimer timer;
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    EXPECT_FALSE(timer.DeliverTick());
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.DeliverTick());
    EXPECT_EQ(ticks, 1);
}

TEST(Timer, TicksRepeatedlyFromTheEventLoop) {
    TTimer timer;
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.SetInterval(5);
    timer.SetEnabled(true);
    RunUntil([&] { return ticks >= 3; }, 5000);
    EXPECT_GE(ticks, 3);
    timer.SetEnabled(false);
    const int stoppedAt = ticks;
    RunUntil([] { return false; }, 30);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST(Timer, DisablingAndEnablingRestartsThePeriod) {
    TTimer timer;
    bool ticked = false;
    timer.OnTimer = [&] { ticked = true; };
    timer.SetInterval(400);
    timer.SetEnabled(true);
    RunUntil([] { return false; }, 300);
    ASSERT_FALSE(ticked);
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    QElapsedTimer sinceRestart;
    sinceRestart.start();
    RunUntil([&] { return ticked; }, 5000);
    EXPECT_TRUE(ticked);
    EXPECT_GE(sinceRestart.elapsed(), 390); // a full period after the restart, not 100 ms
}

TEST(DialogFilter, OpenScanFilesFilterBecomesQtFilters) {
    const QString filter = QStringLiteral(
        "Velmara(*.scn;*.rhi;*.sppi;*.scnd;*.rhid;*.sppid)|*.scn;*.rhi;*.sppi;*.scnd;*.rhid;*.sppid|"
        "PPI,HSQ File(*.scn)|*.scn|SRHI File(*.rhi)|*.rhi|SPPI File(*.sppi)|*.sppi|"
        "DEC PPI,HSQ File(*.scnd)|*.scnd|DEC SRHI File(*.rhid)|*.rhid|DEC SPPI File(*.sppid)|*.sppid|"
        "ReferenceMapFile(*.scr)|*.scr|CompressedFile(*.gz)|*.gz");
    EXPECT_EQ(QtNameFilters(filter),
              (QStringList{"Velmara(*.scn *.rhi *.sppi *.scnd *.rhid *.sppid)", "PPI,HSQ File(*.scn)",
                           "SRHI File(*.rhi)", "SPPI File(*.sppi)", "DEC PPI,HSQ File(*.scnd)",
                           "DEC SRHI File(*.rhid)", "DEC SPPI File(*.sppid)", "ReferenceMapFile(*.scr)",
                           "CompressedFile(*.gz)"}));
}

TEST(DialogFilter, PictureAndSnapshotFilters) {
    EXPECT_EQ(QtNameFilters(QStringLiteral("ビットマップ (*.bmp)|*.bmp|PNG (*.png)|*.png")),
              (QStringList{QStringLiteral("ビットマップ (*.bmp)"), "PNG (*.png)"}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("画像ファイル(*.jpg)|*.jpg")),
              (QStringList{QStringLiteral("画像ファイル(*.jpg)")}));
}

TEST(DialogFilter, LabelsWithoutPatternsGetThemAppendedAndIncompletePairsAreDropped) {
    EXPECT_EQ(QtNameFilters(QStringLiteral("All files|*.*|Scans| *.scn ; *.rhi |Broken|")),
              (QStringList{"All files (*.*)", "Scans (*.scn *.rhi)"}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("Lonely label")), QStringList{});
}

TEST(SingleInstance, ASecondOwnerLearnsThatTheLockExists) {
    const QString name = UniqueLockName();
    TInstanceLock first = TWinModule::SingleInstance(name);
    ASSERT_TRUE(first.Owned());
    TInstanceLock second = TWinModule::SingleInstance(name);
    EXPECT_FALSE(second.Owned());
    TWinModule::ReleaseInstance(first);
    EXPECT_FALSE(first.Owned());
    TWinModule::ReleaseInstance(second); // not owned: nothing happens
    TInstanceLock third = TWinModule::SingleInstance(name);
    EXPECT_TRUE(third.Owned());
}

TEST(SingleInstance, ALockLeftByAProcessThatDiedIsTakenOver) {
    QProcess child;
    child.start(QStringLiteral("true"), {});
    ASSERT_TRUE(child.waitForFinished(10000));
    const qint64 deadPid = child.processId() != 0 ? child.processId() : 999999;
    const QString name = UniqueLockName();
    {
        QFile file(TWinModule::InstanceLockPath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::number(deadPid) + "\nnimbrook\n" + QSysInfo::machineHostName().toUtf8() +
                   "\n");
    }
    TInstanceLock lock = TWinModule::SingleInstance(name);
    EXPECT_TRUE(lock.Owned());
}

// Without a runtime folder the lock and the socket live in a folder of the user's own; one that
// another user made first, or could enter, is refused with a reason instead of being shared.
TEST(SingleInstance, WithoutARuntimeFolderOnlyAFolderOfTheUsersOwnIsUsed) {
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedTemp = qgetenv("TMPDIR");
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    const QString name = UniqueLockName();
    const QString folder = QDir(temp.path()).filePath(name + QStringLiteral("-%1").arg(::getuid()));
    struct Case {
        const char* label;
        std::function<void()> make;
        bool usable;
    };
    const Case cases[] = {
        {"absent: made with mode 0700", [] {}, true},
        {"open to others", [&] { ::mkdir(QFile::encodeName(folder).constData(), 0755); }, false},
        {"a link to the user's folder",
         [&] {
             EXPECT_EQ(
                 ::symlink(QFile::encodeName(temp.path()).constData(), QFile::encodeName(folder).constData()),
                 0);
         },
         false},
        {"a file", [&] { QFile(folder).open(QIODevice::WriteOnly); }, false},
        {"another user's",
         [&] {
             ::mkdir(QFile::encodeName(folder).constData(), 0700);
             if (::geteuid() == 0) {
                 EXPECT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
             }
         },
         ::geteuid() != 0},
    };
    for (const Case& c : cases) {
        ::unlink(QFile::encodeName(folder).constData());
        ::rmdir(QFile::encodeName(folder).constData());
        c.make();
        QString refusal;
        const QString path = TWinModule::InstanceLockPath(name, &refusal);
        TInstanceLock lock = TWinModule::SingleInstance(name);
        EXPECT_EQ(lock.Owned(), c.usable) << c.label;
        if (c.usable) {
            EXPECT_EQ(path, QDir(folder).filePath(name + QStringLiteral(".lock"))) << c.label;
            struct stat made {};
            ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &made), 0);
            EXPECT_EQ(made.st_mode & 0777, 0700u) << c.label;
        } else {
            EXPECT_TRUE(path.isEmpty()) << c.label;
            EXPECT_TRUE(refusal.contains(folder)) << c.label;
            EXPECT_EQ(lock.Refusal(), refusal) << c.label;
        }
        TWinModule::ReleaseInstance(lock);
        QFile::remove(QDir(folder).filePath(name + QStringLiteral(".lock")));
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("TMPDIR", savedTemp);
}
