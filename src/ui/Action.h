// Actions: every user command is one, with a caption, a checked and an enabled state and an
// execute handler. Buttons, check boxes, menu entries and hotkeys run the action; a control
// bound to an action shows its caption, enabled and checked states. Executing a disabled action
// does nothing.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace vantrel::ui {

class TAction {
  public:
    TAction(UINT id, std::wstring name, std::wstring caption);

    UINT Id() const { return id_; }  // the command id of its buttons and menu entries
    const std::wstring& Name() const { return name_; }

    const std::wstring& Caption() const { return caption_; }
    void SetCaption(const std::wstring& caption);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::function<void()> OnExecute;
    // Runs the handler when enabled; true when it ran.
    bool Execute();

    // The control takes the action's states from now on, and its caption when takeCaption is set
    // and the action has one.
    void Bind(HWND control, bool takeCaption = true);
    // As above, and a click on the button runs the action; a check box hands its new state to
    // the action before it runs.
    void Bind(TButton& button, bool takeCaption = true);

  private:
    UINT id_;
    std::wstring name_, caption_;
    bool checked_ = false;
    bool enabled_ = true;
    struct Bound {
        HWND control;
        bool takeCaption;
    };
    std::vector<Bound> controls_;
};

class TActionList {
  public:
    TAction& Add(UINT id, std::wstring name, std::wstring caption, std::function<void()> onExecute = {});
    TAction* Find(UINT id) const;
    TAction* Find(const std::wstring& name) const;
    // Executes the action with this command id; false when there is none or it did not run.
    bool Execute(UINT id);
    size_t Count() const { return actions_.size(); }

  private:
    std::vector<std::unique_ptr<TAction>> actions_;
};

}  // namespace vantrel::ui
