#include "engine/ThreadReports.h"

#include <string>

#include "engine/Monitorthread.h"
#include "platform/Text.h"
#include "thread/Thread.h"

namespace vantrel {

void ReportThreadsTo(TOptions* options) {
    if (!options) {
        TThread::SetReports({});
        return;
    }
    TThread::Reports reports;
    reports.StartRefused = [options](uint32_t code) {
        options->Logger()->AddLine(L"Can not start a worker thread; new work waits until one starts. Error code: " +
                                   SignedStr(code));
    };
    reports.BodyFailed = [options](const TThread& thread, const std::string& what) {
        // Without this line the monitor would stop for good without a word.
        if (dynamic_cast<const TFileMonitor*>(&thread))
            options->Logger()->AddLine(L"Desktop monitoring stopped by an error: " + FromNarrow(what));
        else
            options->Logger()->AddLine(L"A worker thread stopped by an error: " + FromNarrow(what));
    };
    TThread::SetReports(std::move(reports));
}

}  // namespace vantrel
