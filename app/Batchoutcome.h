#pragma once

// What became of one scan file in a batch run, the converter's included: the viewer's batch
// sequence gives it, the converter's worker processes hand it to their coordinator.

/// Its picture (or other output) written and ",OK" logged, or the error code it failed with.
struct TBatchOutcome {
    bool converted = false;
    int errorCode = 0;
};
