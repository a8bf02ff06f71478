// The main window's controls: created once with their captions and access keys, placed from
// pixel sizes at 96 DPI scaled to the window's DPI, and following the window's size.
#include "app/Main.h"

#include <commctrl.h>

#include <utility>

#include "ui/Dpi.h"

namespace vantrel {

namespace {

// The button strip and the tab control's margins, at 96 DPI.
constexpr int kMargin = 4;
constexpr int kStripHeight = 25;
constexpr int kButtonWidth = 75;

}  // namespace

void TMainForm::CreateControls() {
    HWND w = Handle();
    pages_.Create(w, kPages, {L"Files", L"Folders", L"Miscellaneous"});
    pages_.onChange = [this] { SelectPage(pages_.Selected()); };
    // Each page is a panel over the tab control's page area; its controls are the panel's children.
    files_.Create(w);
    folders_.Create(w, dpi_, MainActionList);
    misc_.Create(w, MainActionList);

    // The button strip below the pages.
    saveButton_.Create(w, L"&Save", ui::kTabStop | BS_DEFPUSHBUTTON, kSaveAction);
    hideButton_.Create(w, L"&Hide", ui::kPushButton, kShowAction);
    aboutButton_.Create(w, L"A&bout...", ui::kPushButton, kAboutAction);
    exitButton_.Create(w, L"&Exit", ui::kPushButton, kExitAction);
    saveAction_->Bind(saveButton_);
    showAction_->Bind(hideButton_, false);
    aboutAction_->Bind(aboutButton_);
    exitAction_->Bind(exitButton_);

    // The tab control lies under the pages.
    SetWindowPos(pages_.Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMainForm::ApplyFonts() {
    // The old font goes only once no control uses it any more.
    unique_hgdiobj font = ui::CreateUiFont(dpi_);
    ui::SetFontOfChildren(Handle(), static_cast<HFONT>(font.get()));
    font_ = std::move(font);
}

void TMainForm::Layout() {
    HWND tabs = pages_.Handle();
    if (!tabs) return;
    RECT client;
    GetClientRect(Handle(), &client);
    // Work at 96 DPI: the client size in those units.
    int cw = MulDiv(client.right, 96, static_cast<int>(dpi_));
    int ch = MulDiv(client.bottom, 96, static_cast<int>(dpi_));
    int stripY = ch - kMargin - kStripHeight;
    pages_.Place(kMargin, kMargin, cw - 2 * kMargin, stripY - 2 * kMargin, dpi_);
    saveButton_.Place(8, stripY, kButtonWidth, kStripHeight, dpi_);
    hideButton_.Place(8 + kButtonWidth + 6, stripY, kButtonWidth, kStripHeight, dpi_);
    aboutButton_.Place(8 + 2 * (kButtonWidth + 6), stripY, kButtonWidth, kStripHeight, dpi_);
    exitButton_.Place(cw - 8 - kButtonWidth, stripY, kButtonWidth, kStripHeight, dpi_);

    // The pages over the page area inside the tab control.
    RECT page;
    GetWindowRect(tabs, &page);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&page), 2);
    TabCtrl_AdjustRect(tabs, FALSE, &page);
    for (const ui::TPanel* panel : {static_cast<const ui::TPanel*>(&files_), static_cast<const ui::TPanel*>(&folders_),
                                    static_cast<const ui::TPanel*>(&misc_)})
        SetWindowPos(panel->Handle(), HWND_TOP, page.left, page.top, page.right - page.left, page.bottom - page.top,
                     SWP_NOACTIVATE);
    files_.Layout(dpi_);
    folders_.Layout(dpi_);
    misc_.Layout(dpi_);
}

}  // namespace vantrel
