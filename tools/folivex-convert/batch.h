// The command's side of a batch: starts the offices of the batch, hands the inputs to the
// worker processes, prints what they report in input order and ends everything it started,
// also when it is interrupted.
#pragma once

#include "options.h"

namespace fvc {

// Converts every input of `options`; returns the exit status (0, 1), or ends the process
// by the signal that interrupted it.
int RunBatch(const Options& options);

}  // namespace fvc
