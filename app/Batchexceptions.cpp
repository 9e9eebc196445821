#include "app/Batchexceptions.h"

#include "app/Batchlogs.h"
#include "app/Settingslocation.h"
#include "files/Dscnfilemodule.h"
#include "platform/Localpath.h"
#include "platform/Localtime.h"
#include "platform/Processinfo.h"

#include <cstdio>
#include <cstdlib>

void LogExceptionMessage(const std::string& message) {
    const QString exceptionLog = ExceptionLogPath(ExecutableFilePath(), UserConfigFolder());
    AppendExceptionLog(exceptionLog.toStdString(), ExceptionLogLine(LocalTime(), message));
}

std::string LogFailedByException(const QString& inputPath, const std::string& message) {
    const std::string line =
        OperationLogLine(LocalTime(), false, LocalPathBytes(inputPath), kScanExceptionError);
    if (!AppendOperationLog(OperationLogPath(ExecutableFilePath().toStdString()), line)) {
        std::fprintf(stderr, "nimbrook: the operation log could not be written: %s\n", line.c_str());
    }
    LogExceptionMessage(message);
    return line;
}

void CloseScanFileBeforeExit() {
    // _Exit runs no destructor: the reader's temporary copy of a ".gz" file goes now.
    if (SCNFileModule != nullptr) {
        SCNFileModule->CloseScanFile();
    }
}

void LogBatchException(const QString& inputPath, const std::string& message) {
    // The terminal's copy of the line; the message itself is in the exception log.
    std::fprintf(stderr, "%s\n", LogFailedByException(inputPath, message).c_str());
    CloseScanFileBeforeExit();
    std::fflush(nullptr);
    std::_Exit(-1);
}
