// TAboutForm: the About box. A borderless teal window with rounded corners showing the title,
// the version, the logo, the log file's path and the maker's lines. Any click on it (but into
// the maker's text) or Esc closes it. Created on first use, owned by the main window, kept.
#pragma once

#include <windows.h>

#include <string>

#include "app/Version.h"
#include "ui/Controls.h"
#include "ui/Gdi.h"
#include "ui/Window.h"

namespace vantrel {

constexpr wchar_t kAboutWindowClass[] = L"TAboutForm";
constexpr wchar_t kVersionText[] = L"Version: " VANTREL_VERSION_TEXT;

// The maker's text on the About box: a read-only memo that paints itself navy on teal.
class TMakerMemo : public ui::TEdit {
  public:
    HBRUSH background = nullptr;  // the box's teal, which the box owns

  protected:
    HBRUSH OnReflectedColor(HDC dc) override;
};

class TAboutForm : public ui::TWindow {
  public:
    // logFileName is shown as it is now; the label is not filled again later.
    TAboutForm(HWND owner, const std::wstring& logFileName);
    ~TAboutForm() override;

    const std::wstring& LogFileLabel() const { return logFileLabel_; }
    HWND AboutMemo() const { return memo_.Handle(); }
    void Close() { SetModalResult(ui::kModalCancel); }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool PreviewMessage(MSG& msg) override;

  private:
    void Paint();
    void PaintLogo(HDC dc);
    void Layout();

    UINT dpi_ = 96;
    std::wstring logFileLabel_;
    TMakerMemo memo_;
    unique_hgdiobj titleFont_, versionFont_, smallFont_, teal_, logo_;
};

}  // namespace vantrel
