#include "engine/ThreadReports.h"

#include <string>

#include "engine/Monitorthread.h"
#include "platform/Text.h"
#include "thread/Thread.h"

namespace vantrel {

namespace {

// Exception texts are narrow; each byte is taken as one character.
std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (char c : text)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

}  // namespace

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
            options->Logger()->AddLine(L"Desktop monitoring stopped by an error: " + Widen(what));
        else
            options->Logger()->AddLine(L"A worker thread stopped by an error: " + Widen(what));
    };
    TThread::SetReports(std::move(reports));
}

}  // namespace vantrel
