// TNoteForm: the "Quick Note" dialog a move batch shows before it moves anything.
//
// The form lives on the batch's own thread and runs its own modal loop there, with no owner: it
// disables nothing, so the main window, whose messages the main thread pumps, and the note forms
// of other batches, each pumped by its own batch thread, stay usable; no form waits for another,
// and the batch simply blocks until its user answers. Nothing of a form is shared between threads.
//
// The program installs ShowNoteForm as the engine's note prompt (SetNotePrompt) at start.
#pragma once

#include <windows.h>

#include <string>

#include "engine/Note.h"
#include "ui/Controls.h"
#include "ui/Gdi.h"
#include "ui/Window.h"

namespace vantrel {

constexpr wchar_t kNoteWindowClass[] = L"TNoteForm";

class TNoteForm : public ui::TWindow {
  public:
    // Created hidden, with no owner. fileName fills the file-name box, which takes edits only when
    // fileNameEnabled is set. Throws when the window cannot be made.
    TNoteForm(const std::wstring& fileName, bool fileNameEnabled);
    ~TNoteForm() override;

    // Shows the form and runs its modal loop on the calling thread until the user closes it;
    // returns the modal result (kNoteOk, kNoteSkip or kNoteAbort), or kModalNone when the loop
    // ended without one (the thread's WM_QUIT, or the window destroyed from outside).
    int RunModal();
    // What the form held when it was closed.
    const NoteAnswer& Answer() const { return answer_; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Key preview: every key of the modal loop reaches the form before the control it is for.
    bool PreviewMessage(MSG& msg) override;

  private:
    void CreateControls(const std::wstring& fileName, bool fileNameEnabled);
    // The control object of a control id.
    ui::TWindow& Control(int id);
    void LayOut(UINT dpi, bool centre, int left, int top);
    void Finish(int modalResult);
    bool FormKeyDown(WPARAM key);
    bool NoteMemoKeyDown(WPARAM key);
    // Focus as the dialog manager moves it: an edit that gets it has its whole text selected.
    void FocusControl(HWND control);
    // The control that had the focus last, else the first tab stop.
    HWND FocusTarget();
    LRESULT OnActivate(WPARAM wParam);
    LRESULT OnNextControl(WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);

    ui::TEdit noteMemo_, fileNameEdit_;
    // The buttons leave their clicks to the form, which finishes with the button's id as result.
    ui::TButton okButton_, cancelButton_, abortButton_;
    ui::TLabel fileNameLabel_, descriptionLabel_;
    HWND focus_ = nullptr;  // the control that had the focus when the form was last deactivated
    unique_hgdiobj font_;   // Tahoma 8 pt at the form's current DPI
    NoteAnswer answer_;
};

// The program's note prompt: a TNoteForm, shown modally on the calling thread and destroyed when
// it has closed. A form that cannot be shown counts as closed without a note.
NoteAnswer ShowNoteForm(const std::wstring& fileName, bool fileNameEnabled);

}  // namespace vantrel
