// The session's end reaches the form before the process ends: signals and
// the X connection lost. And a Wayland session without XWayland or a
// screen-sharing portal is refused, never read.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Version.h"
#include "tests/x11/X11TestSupport.h"

#ifndef VELMORA_X11_PROBE
#error "VELMORA_X11_PROBE names the probe program"
#endif

namespace velmora {
namespace {

// The command that prints the visible window titled as the program's boxes are.
std::string TitleSearch() {
  return std::string("xdotool search --onlyvisible --name '^") + kApplicationTitle +
         "$' 2>/dev/null | head -1";
}

class Session : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    folder = MakeTempFolder();
    ASSERT_FALSE(folder.empty());
    record = folder + "/record.ini";
  }
  void TearDown() override {
    RemoveFolder(folder);
    X11Test::TearDown();
  }
  // Starts the probe with extra environment settings ("NAME=value" ...) and
  // an address for it to open.
  pid_t StartProbe(const std::string& env = "", const std::string& address = "") {
    const pid_t pid = fork();
    if (pid == 0) {
      const std::string line = "exec env " + env + " '" VELMORA_X11_PROBE "' '" + record + "' " +
                               (address.empty() ? "" : "'" + address + "'") + " 2>'" + folder +
                               "/err'";
      execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  // The probe's window, once it is shown (0 when it never is).
  unsigned long ProbeWindow() {
    unsigned long id = 0;
    PumpUntil([&] {
      std::string out;
      RunPumping("xdotool search --name '^Velmora probe$' 2>/dev/null | head -1", &out);
      id = std::strtoul(out.c_str(), nullptr, 10);
      return id != 0 && Platform().ReadProfileValues(record, "Probe", {"Show"}).front() == "1";
    });
    return id;
  }
  int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::string Recorded(const char* what) {
    return Platform().ReadProfileValues(record, "Probe", {what}).front();
  }
  std::string Errors() {
    std::ifstream in(folder + "/err");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string folder;
  std::string record;
};

TEST_F(Session, SignalsEndTheSessionThenTheWindowCleanly) {
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
    std::remove(record.c_str());
    const pid_t probe = StartProbe();
    ASSERT_NE(ProbeWindow(), 0u) << "signal " << signal;
    kill(probe, signal);
    EXPECT_EQ(Wait(probe), 0) << "signal " << signal;
    EXPECT_EQ(Recorded("SessionEnd"), "1") << "signal " << signal;
    EXPECT_EQ(Recorded("Destroy"), "1") << "signal " << signal;
  }
}

TEST_F(Session, ASignalWhileAnErrorBoxIsOpenAnswersItAndEndsTheRun) {
  const pid_t probe = StartProbe("", "error-box");
  std::string box;
  PumpUntil([&] {
    RunPumping(TitleSearch(), &box);
    return !box.empty();
  });
  ASSERT_FALSE(box.empty()) << "no error box";
  kill(probe, SIGTERM);
  EXPECT_EQ(Wait(probe), 0);
  EXPECT_EQ(Recorded("SessionEnd"), "1");
  EXPECT_EQ(Recorded("ErrorBoxClosed"), "1");
  EXPECT_EQ(Recorded("Destroy"), "1");
}

TEST_F(Session, LosingTheXConnectionEndsTheSessionFirst) {
  const pid_t probe = StartProbe();
  const unsigned long id = ProbeWindow();
  ASSERT_NE(id, 0u);
  // The server drops the probe's connection, as when the display goes away.
  XKillClient(platform->XDisplay(), id);
  XSync(platform->XDisplay(), False);
  EXPECT_EQ(Wait(probe), 0);
  EXPECT_EQ(Recorded("SessionEnd"), "1");
}

// Addresses go to the desktop's handler of their scheme; a desktop of our
// own (XDG folders in the test's folder) records what its handler was given.
TEST_F(Session, AddressesOpenInTheDesktopsHandler) {
  const std::string opened = folder + "/opened";
  const std::string handler = folder + "/handler.sh";
  ASSERT_EQ(
      std::system(("mkdir -p '" + folder + "/data/applications' '" + folder + "/config'").c_str()),
      0);
  g_file_set_contents(handler.c_str(), ("#!/bin/sh\necho \"$1\" >>'" + opened + "'\n").c_str(), -1,
                      nullptr);
  chmod(handler.c_str(), 0755);
  g_file_set_contents((folder + "/data/applications/velmora-test-open.desktop").c_str(),
                      ("[Desktop Entry]\nType=Application\nName=Open\nExec=" + handler +
                       " %u\nMimeType=x-scheme-handler/https;x-scheme-handler/mailto;\n")
                          .c_str(),
                      -1, nullptr);
  g_file_set_contents((folder + "/config/mimeapps.list").c_str(),
                      "[Default Applications]\n"
                      "x-scheme-handler/https=velmora-test-open.desktop\n"
                      "x-scheme-handler/mailto=velmora-test-open.desktop\n",
                      -1, nullptr);
  const std::string desktop = "XDG_DATA_HOME='" + folder + "/data' XDG_DATA_DIRS='" + folder +
                              "/data' XDG_CONFIG_HOME='" + folder + "/config' XDG_CONFIG_DIRS='" +
                              folder + "/config'";
  std::string expected;
  for (const std::string address :
       {"https://example.com/velmora?from=x11", "mailto:someone@example.com?subject=Velmora"}) {
    expected += address + "\n";
    const pid_t probe = StartProbe(desktop, address);
    std::string seen;
    PumpUntil([&] {
      gchar* text = nullptr;
      seen.clear();
      if (g_file_get_contents(opened.c_str(), &text, nullptr, nullptr)) seen = text;
      g_free(text);
      return seen == expected;
    });
    EXPECT_EQ(seen, expected);
    kill(probe, SIGTERM);
    EXPECT_EQ(Wait(probe), 0) << Errors();
  }
}

TEST_F(Session, AWaylandSessionIsRefusedWithAMessage) {
  // No X display at all: the message goes to standard error.
  const pid_t alone = StartProbe("-u DISPLAY WAYLAND_DISPLAY=wayland-0 XDG_SESSION_TYPE=wayland");
  EXPECT_EQ(Wait(alone), 3);
  EXPECT_NE(Errors().find("through XWayland"), std::string::npos) << Errors();
  EXPECT_NE(Errors().find("on Xorg"), std::string::npos) << Errors();
  EXPECT_EQ(Recorded("Show"), "");
  // XWayland with no screen-sharing portal on the session bus: the message
  // comes in an error box.
  const pid_t xwayland = StartProbe("WAYLAND_DISPLAY=wayland-0");
  std::string out;
  PumpUntil([&] {
    RunPumping(TitleSearch(), &out);
    return !out.empty();
  });
  ASSERT_FALSE(out.empty()) << "no error box";
  RunPumping("xdotool windowfocus --sync " + out.substr(0, out.find('\n')) + " key Return");
  EXPECT_EQ(Wait(xwayland), 3);
  EXPECT_EQ(Recorded("Show"), "");
}

}  // namespace
}  // namespace velmora
