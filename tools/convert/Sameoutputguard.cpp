#include "tools/convert/Sameoutputguard.h"

#include "files/Scaninfo.h"
#include "platform/Localpath.h"

#include <cstdio>

TSameOutputGuard::TSameOutputGuard(std::unique_ptr<TConversionWorker> worker, const QStringList& files,
                                   const std::vector<std::string>& outputs, const std::vector<bool>& refused)
    : worker_(std::move(worker)), files_(files), outputs_(outputs), refused_(refused) {}

TBatchOutcome TSameOutputGuard::Convert(std::size_t index) {
    if (!refused_.at(index)) {
        return worker_->Convert(index);
    }
    const QString input = files_.at(static_cast<qsizetype>(index)).trimmed();
    std::fprintf(stderr, "nimbrook-convert: %s is not converted: an earlier file in name order writes %s\n",
                 LocalPathBytes(input).c_str(), outputs_.at(index).c_str());
    return {false, kScanExceptionError};
}
