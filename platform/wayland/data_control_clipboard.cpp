// The clipboard through ext-data-control-v1: a source offering the text as
// UTF-8 in the names programs ask for, set as the seat's selection, and the
// text written to whoever asks, on the GLib main loop.
#include <glib-unix.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstring>

#include "ext-data-control-v1-client-protocol.h"
#include "platform/wayland/DataControlClipboard.h"

namespace velmora {

struct DataControlClipboard::Impl {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  ext_data_control_manager_v1* manager = nullptr;
  ext_data_control_device_v1* device = nullptr;
  ext_data_control_source_v1* source = nullptr;  // ours, while it is the clipboard's
  std::string text;
  guint watch = 0;
  bool broken = false;
};

namespace {

using Impl = DataControlClipboard::Impl;

const char* const kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING",
                                  "TEXT"};

void OnSend(void* data, ext_data_control_source_v1*, const char*, int32_t fd) {
  const std::string& text = static_cast<Impl*>(data)->text;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  close(fd);
}

// Another program took the clipboard.
void OnCancelled(void* data, ext_data_control_source_v1* source) {
  auto* impl = static_cast<Impl*>(data);
  if (impl->source == source) impl->source = nullptr;
  ext_data_control_source_v1_destroy(source);
}

const ext_data_control_source_v1_listener kSourceEvents = {OnSend, OnCancelled};

// The other programs' offers are not read: each is let go at once.
void OnDataOffer(void*, ext_data_control_device_v1*, ext_data_control_offer_v1* offer) {
  ext_data_control_offer_v1_destroy(offer);
}
void OnSelection(void*, ext_data_control_device_v1*, ext_data_control_offer_v1*) {}
void OnFinished(void* data, ext_data_control_device_v1*) {
  static_cast<Impl*>(data)->broken = true;
}

const ext_data_control_device_v1_listener kDeviceEvents = {OnDataOffer, OnSelection, OnFinished,
                                                           OnSelection};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto* impl = static_cast<Impl*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && impl->seat == nullptr) {
    impl->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, ext_data_control_manager_v1_interface.name) == 0) {
    impl->manager = static_cast<ext_data_control_manager_v1*>(
        wl_registry_bind(registry, name, &ext_data_control_manager_v1_interface, 1));
  }
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryEvents = {OnGlobal, OnGlobalRemove};

gboolean OnReadable(gint, GIOCondition condition, gpointer data) {
  auto* impl = static_cast<Impl*>(data);
  if ((condition & (G_IO_ERR | G_IO_HUP)) != 0 || wl_display_dispatch(impl->display) < 0) {
    impl->broken = true;
    impl->watch = 0;
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

DataControlClipboard::DataControlClipboard(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

DataControlClipboard::~DataControlClipboard() {
  if (impl_->watch != 0) g_source_remove(impl_->watch);
  if (impl_->source != nullptr) ext_data_control_source_v1_destroy(impl_->source);
  if (impl_->device != nullptr) ext_data_control_device_v1_destroy(impl_->device);
  if (impl_->manager != nullptr) ext_data_control_manager_v1_destroy(impl_->manager);
  if (impl_->seat != nullptr) wl_seat_destroy(impl_->seat);
  if (impl_->registry != nullptr) wl_registry_destroy(impl_->registry);
  if (impl_->display != nullptr) wl_display_disconnect(impl_->display);
}

std::unique_ptr<DataControlClipboard> DataControlClipboard::Connect() {
  auto impl = std::make_unique<Impl>();
  impl->display = wl_display_connect(nullptr);
  if (impl->display == nullptr) return nullptr;
  std::unique_ptr<DataControlClipboard> clipboard(new DataControlClipboard(std::move(impl)));
  Impl& c = *clipboard->impl_;
  c.registry = wl_display_get_registry(c.display);
  wl_registry_add_listener(c.registry, &kRegistryEvents, &c);
  if (wl_display_roundtrip(c.display) < 0 || c.manager == nullptr || c.seat == nullptr)
    return nullptr;
  c.device = ext_data_control_manager_v1_get_data_device(c.manager, c.seat);
  ext_data_control_device_v1_add_listener(c.device, &kDeviceEvents, &c);
  if (wl_display_roundtrip(c.display) < 0) return nullptr;
  c.watch = g_unix_fd_add(wl_display_get_fd(c.display),
                          static_cast<GIOCondition>(G_IO_IN | G_IO_ERR | G_IO_HUP), OnReadable, &c);
  return clipboard;
}

bool DataControlClipboard::SetText(const std::string& text) {
  Impl& c = *impl_;
  if (c.broken) return false;
  c.text = text;
  if (c.source != nullptr) ext_data_control_source_v1_destroy(c.source);
  c.source = ext_data_control_manager_v1_create_data_source(c.manager);
  ext_data_control_source_v1_add_listener(c.source, &kSourceEvents, &c);
  for (const char* type : kTextTypes) ext_data_control_source_v1_offer(c.source, type);
  ext_data_control_device_v1_set_selection(c.device, c.source);
  // Sent now: the main loop only watches for what comes back.
  return wl_display_flush(c.display) >= 0;
}

}  // namespace velmora
