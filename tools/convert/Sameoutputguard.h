#pragma once

#include "tools/convert/Workerpool.h"

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

/// Stands before another worker and refuses the files whose output an input earlier in name order
/// writes in the same run: code 9 in the operation log and a line on stderr, nothing written.
class TSameOutputGuard final : public TConversionWorker {
public:
    TSameOutputGuard(std::unique_ptr<TConversionWorker> worker, const QStringList& files,
                     const std::vector<std::string>& outputs, const std::vector<bool>& refused);

    TBatchOutcome Convert(std::size_t index) override;

private:
    std::unique_ptr<TConversionWorker> worker_;
    const QStringList& files_;
    const std::vector<std::string>& outputs_;
    const std::vector<bool>& refused_;
};
