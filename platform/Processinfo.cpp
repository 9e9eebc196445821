#include "platform/Processinfo.h"

#include "platform/Localpath.h"

#include <QCoreApplication>

namespace {

struct Override {
    bool active = false;
    QString executableFilePath;
    QStringList arguments;
};

Override& Current() {
    static Override current;
    return current;
}

QStringList& Recorded() {
    static QStringList recorded;
    return recorded;
}

} // namespace

QString ExecutableFilePath() {
    return Current().active ? Current().executableFilePath : QCoreApplication::applicationFilePath();
}

QStringList CommandLineArguments() {
    return Current().active ? Current().arguments : Recorded();
}

void RecordCommandLine(int argc, const char* const* argv) {
    Recorded() = ArgumentsFromBytes(argc, argv);
}

ScopedProcessInfo::ScopedProcessInfo(const QString& executableFilePath, const QStringList& arguments)
    : hadOverride_(Current().active), savedPath_(Current().executableFilePath),
      savedArguments_(Current().arguments) {
    Current() = {true, executableFilePath, arguments};
}

ScopedProcessInfo::~ScopedProcessInfo() {
    Current() = {hadOverride_, savedPath_, savedArguments_};
}
