// The program's entry point: refuse a second instance, build the main window hidden, run the
// message loop. The settings object is made before the entry point runs and goes after it.
#include <windows.h>

#include <objbase.h>

#include <cstdlib>
#include <exception>

#include "app/AppOptions.h"
#include "app/Main.h"
#include "app/NoteForm.h"
#include "app/ShellServices.h"
#include "engine/Note.h"
#include "ui/Application.h"

// Constructed while the program initialises: finds the folders, reads or writes the settings
// file and opens the log. Once the monitor has run it is never destroyed: the process ends
// without its destructors, since the monitor may still be blocked in its read.
vantrel::TOptions AppOptions;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Held for the life of the process and never released: the system drops it at the end.
    HANDLE instanceMutex = CreateMutexA(nullptr, FALSE, "DesktopVantrel");
    if (!instanceMutex) return 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxA(nullptr, "Another instance of Desktop Vantrel already running.", "Error", MB_OK);
        return 0;
    }

    // The common controls are set up with the main window's pages, when it is first shown.
    OleInitialize(nullptr);

    // Batches ask for their quick notes with the note form.
    vantrel::SetNotePrompt(&vantrel::ShowNoteForm);

    auto& app = vantrel::ui::TApplication::Instance();
    app.Title = vantrel::kAppTitle;
    try {
        vantrel::DesktopShell shell;
        vantrel::TMainForm form(AppOptions, shell);
        app.SetMessageFilter([&form](MSG& msg, bool& handled) { form.ApplicationHotKeyEventsMessage(msg, handled); });
        app.Run();
        app.SetMessageFilter({});
    } catch (const std::exception& e) {
        app.ShowException(e.what());
    } catch (...) {
        app.ShowException("");
    }
    // The main window has closed the log after the workers ended or had their time. Workers still
    // alive (the monitor always is) would use the settings and the log while static destructors
    // ran, so the process ends here without running them.
    std::_Exit(0);
}
