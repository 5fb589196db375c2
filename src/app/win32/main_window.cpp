#include "app/win32/main_window.h"

#include <utility>

#include "platform/win32/wide.h"

namespace quillenta {

void Win32ErrorBox::ShowErrorBox(const std::string& text, std::function<void()> closed) {
  pending_ = text;
  closed_ = std::move(closed);
  if (window_ == nullptr || !::PostMessageW(window_, kShowMessage, 0, 0)) {
    // No loop to show it from: the box is over before it began.
    std::exchange(closed_, nullptr)();
  }
}

void Win32ErrorBox::ShowPending() {
  if (!closed_) return;
  // No owner: owned by the hidden main window, the box would get no taskbar button and could
  // open behind the window the user works in, where it would wait unseen while every later
  // error is dropped. In front of everything, whatever raised it.
  ::MessageBoxW(nullptr, Utf8ToWide(pending_).c_str(), L"Quillenta",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
  std::exchange(closed_, nullptr)();
}

MainWindow::MainWindow(HINSTANCE instance, Platform platform, FileChooser* chooser)
    : instance_(instance),
      program_(std::move(platform), errors_, *this),
      settings_(instance, program_.core(), tray_, chooser) {}

MainWindow::~MainWindow() { FormClose(); }

bool MainWindow::FormCreate() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &MainWindow::WindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(1));
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  if (::RegisterClassExW(&window_class) == 0) return false;
  // A real top-level window, never shown, rather than a message-only one: a close request
  // (taskkill without /f, the session ending) reaches only the top-level windows.
  HWND created = ::CreateWindowExW(0, kClassName, L"Quillenta", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                              CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance_,
                              this);
  if (created == nullptr) return false;
  box_.SetMessageWindow(window_);

  // The small image of the icon resource, not the large one shrunk by the shell.
  auto* small_icon = static_cast<HICON>(
      ::LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                   ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  tray_.SetWindow(window_, small_icon);
  // Built hidden before the settings load, so that the load reaches every control.
  if (!settings_.Create()) return false;
  tray_.on_item = [this](std::string_view item) { settings_.logic().OnMenuItem(item); };
  tray_line_ = program_.core().tray_line_changed.Subscribe(
      [this](const std::string& line) { tray_.SetTip(line); });
  // Posted: the window or menu that asks must not be destroyed under its own handler.
  settings_.end_program = [this] { ::PostMessageW(window_, WM_CLOSE, 0, 0); };
  program_.FormCreate();
  return true;
}

int MainWindow::Run() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!settings_.PreTranslate(message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    settings_.AfterDispatch(message);
  }
  FormClose();
  return 0;
}

void MainWindow::StartTimer(Timer timer, int interval_ms) {
  if (window_ != nullptr) ::SetTimer(window_, static_cast<UINT_PTR>(timer) + 1, interval_ms, nullptr);
}

void MainWindow::StopTimer(Timer timer) {
  if (window_ != nullptr) ::KillTimer(window_, static_cast<UINT_PTR>(timer) + 1);
}

// Before anything else of the start-up: the icon is there even while the settings load.
void MainWindow::HideToTray() { tray_.AddTrayIcon(); }

void MainWindow::ShowAtStart() { settings_.ShowAtStart(); }

void MainWindow::Closed() {
  // Not left behind as a dead icon that vanishes only when the mouse passes over it.
  if (window_ != nullptr) tray_.RemoveTrayIcon();
  // After the title is given back: the window may be the one that had the line.
  settings_.Destroy();
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* creator = static_cast<MainWindow*>(create->lpCreateParams);
    creator->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creator));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!program_.Closed() && tray_.Handle(message, wparam, lparam)) return 0;
  switch (message) {
    case WM_TIMER:
      if (wparam == static_cast<UINT_PTR>(Timer::kTimer1) + 1) program_.OnTimer(Timer::kTimer1);
      if (wparam == static_cast<UINT_PTR>(Timer::kTimer2) + 1) program_.OnTimer(Timer::kTimer2);
      if (wparam == static_cast<UINT_PTR>(Timer::kNotice) + 1) program_.OnTimer(Timer::kNotice);
      return 0;
    case Win32ErrorBox::kShowMessage:
      box_.ShowPending();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The process may be ended as soon as this returns: give the title back now.
      if (wparam) FormClose();
      return 0;
    case WM_CLOSE:
      FormClose();
      ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window_, message, wparam, lparam);
  }
}

}  // namespace quillenta
