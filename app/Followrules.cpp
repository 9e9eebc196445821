#include "app/Followrules.h"

#include <algorithm>

bool IsTemporaryName(std::string_view name) {
    return name.empty() || name.front() == '.' || name.ends_with(".$$$");
}

TCompletionTracker::TCompletionTracker(std::int64_t settleMs, std::size_t remembered)
    : settleMs_(settleMs), remembered_(std::max<std::size_t>(remembered, 1)) {}

bool TCompletionTracker::Closed(const std::string& name, TFileSignature signature) {
    return Report(name, signature);
}

bool TCompletionTracker::Polled(const std::string& name, TFileSignature signature, std::int64_t nowMs) {
    auto found = files_.find(name);
    if (found == files_.end()) {
        if (signature.modifiedMs <= forgottenUpToMs_) {
            return false;
        }
        found = files_.emplace(name, TState{signature, nowMs, false}).first;
    } else if (found->second.signature != signature) {
        if (found->second.complete) {
            --completeCount_;
        }
        found->second = TState{signature, nowMs, false};
    }
    const TState& state = found->second;
    if (state.complete) {
        return false;
    }
    const bool settled = nowMs - state.seenSinceMs >= settleMs_ || nowMs - signature.modifiedMs >= settleMs_;
    return settled && Report(name, signature);
}

bool TCompletionTracker::Report(const std::string& name, TFileSignature signature) {
    TState& state = files_[name];
    if (state.complete && state.signature == signature) {
        return false;
    }
    if (!state.complete) {
        ++completeCount_;
    }
    state.signature = signature;
    state.complete = true;
    while (completeCount_ > remembered_) {
        ForgetOldest();
    }
    return true;
}

void TCompletionTracker::ForgetOldest() {
    auto oldest = files_.end();
    for (auto it = files_.begin(); it != files_.end(); ++it) {
        if (it->second.complete && (oldest == files_.end() ||
                                    it->second.signature.modifiedMs < oldest->second.signature.modifiedMs)) {
            oldest = it;
        }
    }
    forgottenUpToMs_ = std::max(forgottenUpToMs_, oldest->second.signature.modifiedMs);
    files_.erase(oldest);
    --completeCount_;
}

void TCompletionTracker::Removed(const std::string& name) {
    const auto found = files_.find(name);
    if (found != files_.end()) {
        if (found->second.complete) {
            --completeCount_;
        }
        files_.erase(found);
    }
}

std::size_t TCompletionTracker::PendingCount() const {
    return files_.size() - completeCount_;
}

TKeptList KeepNewest(std::size_t count, std::size_t keep, int index) {
    if (keep == 0 || count <= keep) {
        return {0, index};
    }
    const std::size_t drop = count - keep;
    const auto shifted = static_cast<long long>(index) - static_cast<long long>(drop);
    return {drop, shifted < 0 ? 0 : static_cast<int>(shifted)};
}

bool ShowsArrivalAtOnce(bool running, int index, std::size_t countBefore) {
    return !running && (countBefore == 0 || index >= static_cast<int>(countBefore) - 1);
}
