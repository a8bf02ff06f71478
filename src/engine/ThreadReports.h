// Puts what the worker pool reports into the program's log: the first thread start the system
// refused, and every exception that ended a worker's body.
#pragma once

#include "settings/Options.h"

namespace vantrel {

// From now on the pool reports to options' log; null stops the reports.
void ReportThreadsTo(TOptions* options);

}  // namespace vantrel
