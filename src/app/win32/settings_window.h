#pragma once
// The settings window on Win32, built in code from the form description: every control at its
// place scaled to the window's DPI, every event handed to the form's logic. Positions are
// pixels at 96 DPI, so no dialog resource (whose units follow the font) is involved; each
// tab page is an empty child dialog, which gives it the dialog manager's keyboard handling.
// The pages keep the dialog face colour rather than a theme's tab texture: with the texture,
// labels and group frames painted in the face colour would stand out as patches on it.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "program/program_core.h"
#include "app/win32/tray_win32.h"
#include "form/form_logic.h"

namespace quillenta {

class SettingsWindow : private form::FormView {
 public:
  static constexpr wchar_t kClassName[] = L"QuillentaSettings";

  // chooser: the "参照" dialog; null gives the GetOpenFileNameW one.
  SettingsWindow(HINSTANCE instance, ProgramCore& core, Win32Tray& tray,
                 FileChooser* chooser = nullptr);
  ~SettingsWindow() override;
  SettingsWindow(const SettingsWindow&) = delete;
  SettingsWindow& operator=(const SettingsWindow&) = delete;

  // Creates the window hidden, with every control showing the model as it stands.
  bool Create();
  void Destroy();

  // b49 is on at start: the window shows and the tray icon stays.
  void ShowAtStart() { ShowCentered(); }
  void HideToTray() override;
  void ShowFromTray() override;

  // Keyboard handling of the message loop: true when the message was the window's.
  bool PreTranslate(MSG& message);
  // Runs after the message loop has dispatched `message`.
  void AfterDispatch(const MSG& message);

  // Places every control for this DPI and the interface's language; runs at creation, when
  // the window moves to a monitor of another DPI and when the language changes.
  void Layout(UINT dpi);

  form::FormLogic& logic() { return logic_; }
  HWND handle() const { return window_; }
  // Null when there is no such control (or the window is not created).
  HWND Control(std::string_view name) const;
  // The face the controls draw with.
  const std::wstring& FontFace() const { return face_; }

  // The close box, "終了(&X)" and the tray's "終了": the program ends.
  std::function<void()> end_program;
  // Hands an address to the shell; ShellExecuteW "open" unless a test sets another.
  std::function<void(const std::string& address)> open_address;

 private:
  // Control ids: far from IDOK and IDCANCEL, which the dialog manager sends for Enter and
  // Escape.
  static constexpr WORD kFirstControlId = 1000;
  static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  static constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

  // form::FormView
  void CloseWindow() override;
  void EndProgram() override;
  FileChooser& Chooser() override { return *chooser_; }
  void OpenAddress(const std::string& address) override;
  void CopyField(std::string_view control) override;
  void Refresh(std::size_t control) override;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR id, DWORD_PTR index);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // The messages a page and the window share: notifications and colours of their controls.
  bool HandleChild(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

  // In settings_window_build.cpp.
  void Build();
  HWND BuildControl(std::size_t index);
  void ArrangeFocusOrder();
  void OnCommand(WORD id, WORD code, HWND control);
  void ShowPage(int page);
  void ShowCentered();
  void OpenMenu(std::string_view menu, HWND owner, LPARAM at);
  // In settings_window_layout.cpp. In Japanese the first installed face of the description,
  // else (and in every other language) the system's message face.
  void ChooseFace();
  // Every caption, face and place in the interface's language, in the open window.
  void Relabel();
  // What the control draws beside its caption; none for a control without a caption to fit.
  std::optional<int> Adornment(const form::ControlDef& def) const;
  // The width at 96 DPI the control's caption needs in its face (a tab page's: its tab's).
  int Needed(std::size_t index);
  // width: the average character width, 0 for the face's own.
  HFONT FontFor(const form::ControlDef& def, int width = 0);
  // Narrows the control's face until its caption fits the width the layout gives it.
  void FitCaption(std::size_t index, const RECT& place);
  int Scale(int pixels) const { return ::MulDiv(pixels, static_cast<int>(dpi_), 96); }
  std::size_t IndexOfHandle(HWND control) const;

  HINSTANCE instance_;
  ProgramCore& core_;
  Win32Tray& tray_;
  std::unique_ptr<FileChooser> own_chooser_;
  FileChooser* chooser_;
  form::FormLogic logic_;
  HWND window_ = nullptr;
  HWND tabs_ = nullptr;
  // Parallel to form::Controls().
  std::vector<HWND> controls_;
  std::vector<HWND> pages_;
  HWND focus_ = nullptr;
  UINT dpi_ = 96;
  std::wstring face_;
  BYTE charset_ = DEFAULT_CHARSET;
  // (pixel size, italic, underlined, character width) at the current DPI.
  using FontKey = std::tuple<int, bool, bool, int>;
  std::map<FontKey, HFONT> fonts_;
  // A text the model sets must not come back as an edit.
  bool refreshing_ = false;
  bool menu_open_ = false;
  // Last: the listening ends before anything it refreshes goes.
  Signal<const SettingChange&>::Subscription settings_changed_;
  Signal<>::Subscription order_changed_;
  Signal<Language>::Subscription language_changed_;
};

}  // namespace quillenta
