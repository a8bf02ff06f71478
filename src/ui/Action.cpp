#include "ui/Action.h"

namespace vantrel::ui {

namespace {

bool IsCheckBox(HWND control) {
    LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

TAction::TAction(UINT id, std::wstring name, std::wstring caption)
    : id_(id), name_(std::move(name)), caption_(std::move(caption)) {}

void TAction::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    for (const Bound& b : controls_)
        if (b.takeCaption) SetWindowTextW(b.control, caption_.c_str());
}

void TAction::SetChecked(bool checked) {
    checked_ = checked;
    for (const Bound& b : controls_)
        if (IsCheckBox(b.control)) SendMessageW(b.control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TAction::SetEnabled(bool enabled) {
    enabled_ = enabled;
    for (const Bound& b : controls_)
        EnableWindow(b.control, enabled ? TRUE : FALSE);
}

bool TAction::Execute() {
    if (!enabled_ || !OnExecute) return false;
    OnExecute();
    return true;
}

void TAction::Bind(HWND control, bool takeCaption) {
    if (!control) return;
    controls_.push_back(Bound{control, takeCaption});
    if (takeCaption && !caption_.empty()) SetWindowTextW(control, caption_.c_str());
    EnableWindow(control, enabled_ ? TRUE : FALSE);
    if (IsCheckBox(control)) SendMessageW(control, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TAction::Bind(TButton& button, bool takeCaption) {
    Bind(button.Handle(), takeCaption);
    button.onClick = [this, &button] {
        if ((GetWindowLongPtrW(button.Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX)
            SetChecked(button.Checked());
        Execute();
    };
}

TAction& TActionList::Add(UINT id, std::wstring name, std::wstring caption, std::function<void()> onExecute) {
    actions_.push_back(std::make_unique<TAction>(id, std::move(name), std::move(caption)));
    actions_.back()->OnExecute = std::move(onExecute);
    return *actions_.back();
}

TAction* TActionList::Find(UINT id) const {
    for (const auto& a : actions_)
        if (a->Id() == id) return a.get();
    return nullptr;
}

TAction* TActionList::Find(const std::wstring& name) const {
    for (const auto& a : actions_)
        if (a->Name() == name) return a.get();
    return nullptr;
}

bool TActionList::Execute(UINT id) {
    TAction* action = Find(id);
    return action && action->Execute();
}

}  // namespace vantrel::ui
