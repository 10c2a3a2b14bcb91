#include "tests/x11/X11TestSupport.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

namespace velmora {

bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 5000; ++i) {
    if (done()) return true;
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    if (done()) return true;
    g_usleep(1000);
  }
  return done();
}

void PumpPending() {
  gdk_display_sync(gdk_display_get_default());
  for (int round = 0; round < 3; ++round) {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    g_usleep(2000);
  }
}

std::string MakeTempFolder() {
  char pattern[] = "/tmp/velmora-x11-test.XXXXXX";
  return mkdtemp(pattern) != nullptr ? std::string(pattern) : std::string();
}

void RemoveFolder(const std::string& folder) {
  if (folder.empty()) return;
  const std::string command = "chmod -R u+w '" + folder + "'; rm -rf '" + folder + "'";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << folder;
}

namespace {

struct Child {
  bool exited = false;
  int status = 0;
};

void OnChildExit(GPid pid, gint status, gpointer data) {
  auto* child = static_cast<Child*>(data);
  child->exited = true;
  child->status = status;
  g_spawn_close_pid(pid);
}

}  // namespace

int RunPumping(const std::string& command, std::string* output) {
  const std::string outFile =
      std::string(g_get_tmp_dir()) + "/velmora-x11-test-output." + std::to_string(getpid());
  const std::string line = command + " >'" + outFile + "'";
  gchar* argv[] = {const_cast<gchar*>("/bin/sh"), const_cast<gchar*>("-c"),
                   const_cast<gchar*>(line.c_str()), nullptr};
  GPid pid = 0;
  if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid,
                     nullptr)) {
    return -1;
  }
  Child child;
  g_child_watch_add(pid, OnChildExit, &child);
  while (!child.exited) gtk_main_iteration_do(TRUE);
  if (output != nullptr) {
    gchar* text = nullptr;
    gsize length = 0;
    output->clear();
    if (g_file_get_contents(outFile.c_str(), &text, &length, nullptr)) {
      output->assign(text, length);
      g_free(text);
    }
  }
  std::remove(outFile.c_str());
  return WIFEXITED(child.status) ? WEXITSTATUS(child.status) : -1;
}

namespace {
std::string Where(Point p) {
  return std::to_string(p.x) + "," + std::to_string(p.y);
}
const char* Name(MouseButton b) {
  return b == MouseButton::Left ? "L" : (b == MouseButton::Right ? "R" : "M");
}
}  // namespace

void RecordingForm::OnTimer() {
  ++ticks;
  if (onTimer) onTimer();
}

void RecordingForm::OnMouseDown(Point p, MouseButton button) {
  mouse.push_back("down " + Where(p) + " " + Name(button));
}

void RecordingForm::OnMouseUp(Point p, MouseButton button) {
  mouse.push_back("up " + Where(p) + " " + Name(button));
}

void RecordingForm::OnMouseMove(Point p) {
  mouse.push_back("move " + Where(p));
}

void RecordingForm::OnPaint(ICanvas& canvas, const Rect& dirty) {
  ++paints;
  if (paint) paint(canvas, dirty);
}

void X11Test::SetUp() {
  platform = CreateX11Platform();
  SetPlatform(platform.get());
}

void X11Test::TearDown() {
  if (window) window->Destroy();
  window.reset();
  PumpPending();
  SetPlatform(nullptr);
  platform.reset();
}

void X11Test::MovePointer(Point p) {
  Display* display = platform->XDisplay();
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, p.x, p.y);
  XSync(display, False);
}

void X11Test::WithWindow(Point at, const std::function<void(IWindow&)>& body, int height) {
  WindowDesc desc;
  desc.caption = "Velmora";
  desc.width = 272;
  desc.height = height;
  desc.background = 0x00FFFFFF;
  desc.topmost = true;
  window = platform->CreateMainWindow(desc, "Velmora 3.6", form);
  window->SetBounds(Rect{at.x, at.y, 272, height});
  bool ran = false;
  // The body runs from the first timer tick after the window was painted.
  form.onTimer = [&] {
    if (ran || form.paints == 0) return;
    ran = true;
    PumpPending();
    body(*window);
    window->Close();
  };
  window->StartTimer(20);
  window->RunEventLoop();
  EXPECT_TRUE(ran) << "the window was never painted";
}

}  // namespace velmora
