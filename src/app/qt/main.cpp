#include <fcntl.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/qt/application.h"
#include "app/qt/error_box.h"
#include "app/qt/main_form.h"
#include "lang/translate.h"
#include "platform/linux/instance_guard_linux.h"
#include "program/command_line.h"

namespace {

int signal_pipe[2] = {-1, -1};

void OnSignal(int signal_number) {
  const int saved_errno = errno;
  char byte = static_cast<char>(signal_number);
  ssize_t ignored = write(signal_pipe[1], &byte, 1);
  (void)ignored;
  errno = saved_errno;
}

// Every signal whose default action ends the process without a core, and those that would
// dump one without the process being at fault: each ends the program as SIGTERM does, so no
// window keeps the line. A crash's own signals (SEGV, BUS, FPE, ILL, ABRT, TRAP, SYS) are left
// to the crash: the state is not to be trusted, and the next start gives the titles back.
void CatchEndingSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM,
                            SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGPOLL, SIGPWR, SIGSTKFLT}) {
    sigaction(signal_number, &action, nullptr);
  }
  for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
    sigaction(signal_number, &action, nullptr);
  }
}

bool ending_normally = false;

// Qt's X11 layer ends the process with exit(1) when the display goes away; the program ends
// with 0 on every path.
void EndWithZero() {
  if (!ending_normally) _exit(0);
}

std::string ExecutablePath(const char* argv0) {
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return argv0;
  return std::string(buffer, static_cast<std::size_t>(length));
}

// The options QGuiApplication and QApplication take themselves; the X11 ones included.
constexpr quillenta::ToolkitOption kQtOptions[] = {
    {"platform", true},   {"platformpluginpath", true}, {"platformtheme", true},
    {"plugin", true},     {"qwindowgeometry", true},    {"qwindowicon", true},
    {"qwindowtitle", true}, {"reverse", false},         {"session", true},
    {"display", true},    {"geometry", true},           {"title", true},
    {"name", true},       {"style", true},              {"stylesheet", true},
    {"widgetcount", false}, {"qmljsdebugger", true},
};

// Qt aborts the process when it cannot reach the X server; a start without a display must
// say so in one line and fail with a status, not die of a signal.
bool DisplayAnswers(const char* display) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0' && std::strcmp(platform, "xcb") != 0) return true;
  xcb_connection_t* connection = xcb_connect(display, nullptr);
  const bool answers = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return answers;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quillenta;
  // Before the display is looked for: --help and --version answer on a console without one.
  const CommandLine command_line =
      ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), kQtOptions, false);
  const Language system_language =
      LanguageOfEnvironment([](const char* name) { return std::getenv(name); });
  SetInterfaceLanguage(command_line.language.value_or(system_language));
  switch (command_line.action) {
    case CommandAction::kHelp:
      std::fputs(HelpText(Tr("command line",
                             "Qt's standard options (-platform, -display, -style ...) are passed "
                             "on to Qt.\n\nExit status: 0, also when another instance runs; 1 "
                             "when no display answers;\n2 for a bad option.\n"))
                     .c_str(),
                 stdout);
      return 0;
    case CommandAction::kVersion:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case CommandAction::kBadOption:
      std::fputs(BadOptionText(command_line).c_str(), stderr);
      return kExitBadOption;
    case CommandAction::kRun:
      break;
  }
  const char* display = std::getenv("DISPLAY");
  if (!DisplayAnswers(display)) {
    const std::string name = display != nullptr && *display != '\0'
                                 ? std::string(display)
                                 : Tr("command line", "(DISPLAY is not set)");
    std::fputs(Substitute(Tr("command line", "quillenta: cannot open display %s\n"), {name}).c_str(),
               stderr);
    return 1;
  }
  LinuxInstanceGuard guard(LinuxInstanceGuard::DefaultLockPath(display != nullptr ? display : ""));
  if (!guard.Acquire()) return 0;

  // A session manager that went away leaves stderr a closed pipe; a write there must fail,
  // not end the program with the line in a window. Started programs get the default back.
  signal(SIGPIPE, SIG_IGN);
  // Signals become events of the loop, so that shutdown runs on the one thread like any close.
  if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) == 0) CatchEndingSignals();

  std::atexit(EndWithZero);
  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillenta"));
  QApplication::setApplicationDisplayName(QStringLiteral("Quillenta"));
  QApplication::setQuitOnLastWindowClosed(false);

  ErrorBox box;
  box.SetFont([] { return MainForm::UiFont(); });
  OneErrorBoxAtATime errors(box);
  Platform platform = MakeLinuxPlatform(ExecutablePath(argv[0]));
  platform.system_language = system_language;
  platform.language_override = command_line.language;
  Application app(std::move(platform), errors);
  QObject::connect(&app, &Application::closed, &qt, &QCoreApplication::quit, Qt::QueuedConnection);

  QSocketNotifier signals_notifier(signal_pipe[0], QSocketNotifier::Read);
  QObject::connect(&signals_notifier, &QSocketNotifier::activated, [&app] {
    char byte;
    while (read(signal_pipe[0], &byte, 1) > 0) {
    }
    app.FormClose();
  });

  // No application font yet: looking one up walks the whole font list, and nothing is drawn
  // until the tray menu, the window or an error box first shows, each of which sets its own.
  MainForm form(app);
  app.FormCreate(&form);
  // A panel that starts later still gets the icon; with none at all the window stays
  // reachable, so that the program can always be ended.
  QObject::connect(&form.tray(), &TrayIcon::noHost, [] {
    std::fputs(
        Tr("command line", "quillenta: no system tray found; showing the settings window\n").c_str(),
        stderr);
  });
  form.tray().WatchForHost([&form] { return form.tray().HostAvailable(); });
  qt.exec();
  app.FormClose();
  ending_normally = true;
  return 0;
}
