#include "platform/Processinfo.h"

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

} // namespace

QString ExecutableFilePath() {
    return Current().active ? Current().executableFilePath : QCoreApplication::applicationFilePath();
}

QStringList CommandLineArguments() {
    return Current().active ? Current().arguments : QCoreApplication::arguments();
}

ScopedProcessInfo::ScopedProcessInfo(const QString& executableFilePath, const QStringList& arguments)
    : hadOverride_(Current().active), savedPath_(Current().executableFilePath),
      savedArguments_(Current().arguments) {
    Current() = {true, executableFilePath, arguments};
}

ScopedProcessInfo::~ScopedProcessInfo() {
    Current() = {hadOverride_, savedPath_, savedArguments_};
}
