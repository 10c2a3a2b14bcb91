// The canvas: cairo fills in exact colours and pango text in one face.
#include <cmath>

#include "platform/linux/LinuxPlatform.h"

namespace velmora {

namespace {

void SetColor(cairo_t* cr, TColor color) {
  const GdkRGBA rgba = ToRgba(color);
  gdk_cairo_set_source_rgba(cr, &rgba);
}

}  // namespace

GdkRGBA ToRgba(TColor color) {
  return GdkRGBA{(color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                 ((color >> 16) & 0xFF) / 255.0, 1.0};
}

TColor FromRgba(const GdkRGBA& rgba) {
  auto channel = [](double v) {
    const double clamped = v < 0 ? 0 : (v > 1 ? 1 : v);
    return static_cast<TColor>(clamped * 255.0 + 0.5);
  };
  return channel(rgba.red) | (channel(rgba.green) << 8) | (channel(rgba.blue) << 16);
}

// NOTE: Linux has neither "MS Sans Serif" nor "Tahoma"; every text, strip or
// form, is drawn in DejaVu Sans Condensed (its stretch is semi-condensed),
// sized so the form's 8-point texts fit their boxes.
const char* GtkFont::Family() {
  return "DejaVu Sans";
}

double GtkFont::PixelSize() {
  return 9.5;
}

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cairo_reference(cr)) {
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
}

CairoCanvas::~CairoCanvas() {
  if (layout_ != nullptr) g_object_unref(layout_);
  cairo_destroy(cr_);
}

void CairoCanvas::FillRect(const Rect& r, TColor color) {
  if (r.Empty()) return;
  cairo_save(cr_);
  cairo_rectangle(cr_, r.x, r.y, r.width, r.height);
  SetColor(cr_, color);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::FrameRect(const Rect& r, TColor color) {
  if (r.Empty()) return;
  FillRect(Rect{r.x, r.y, r.width, 1}, color);
  FillRect(Rect{r.x, r.y + r.height - 1, r.width, 1}, color);
  FillRect(Rect{r.x, r.y, 1, r.height}, color);
  FillRect(Rect{r.x + r.width - 1, r.y, 1, r.height}, color);
}

PangoLayout* CairoCanvas::Layout(const std::string& text) {
  if (layout_ == nullptr) {
    layout_ = pango_cairo_create_layout(cr_);
    // NOTE: unhinted metrics, so a text has the same logical width at every scale.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout_), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout_);
  }
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, GtkFont::Family());
  pango_font_description_set_stretch(desc, PANGO_STRETCH_SEMI_CONDENSED);
  pango_font_description_set_absolute_size(desc, GtkFont::PixelSize() * PANGO_SCALE);
  pango_layout_set_font_description(layout_, desc);
  pango_font_description_free(desc);
  pango_layout_set_text(layout_, text.data(), static_cast<int>(text.size()));
  return layout_;
}

void CairoCanvas::PaintText(const Rect& r, const std::string& text, FontRole font, TColor color,
                            TextAlign align) {
  if (r.Empty() || text.empty()) return;
  const bool underline = font == FontRole::Link;
  PangoLayout* layout = Layout(text);
  // Laid out once: the width only where centring or the underline needs it.
  const int width = align == TextAlign::Center || underline ? Extent(layout).width : 0;
  const int x = align == TextAlign::Center ? r.x + (r.width - width) / 2 : r.x;
  cairo_save(cr_);
  cairo_rectangle(cr_, r.x, r.y, r.width, r.height);
  cairo_clip(cr_);
  SetColor(cr_, color);
  cairo_move_to(cr_, x, r.y);
  pango_cairo_show_layout(cr_, layout);
  if (underline) {
    // A crisp one-pixel line one pixel below the baseline, as Windows draws it.
    const int baseline = pango_layout_get_baseline(layout) / PANGO_SCALE;
    cairo_rectangle(cr_, x, r.y + baseline + 1, width, 1);
    cairo_fill(cr_);
  }
  cairo_restore(cr_);
}

Size CairoCanvas::MeasureText(const std::string& text, FontRole) {
  Size size = Extent(Layout(text));
  if (text.empty()) size.width = 0;
  return size;
}

// The logical extent of a laid-out text in whole pixels, rounded outwards.
Size CairoCanvas::Extent(PangoLayout* layout) {
  PangoRectangle logical{};
  pango_layout_get_extents(layout, nullptr, &logical);
  const int right =
      static_cast<int>(std::ceil(static_cast<double>(logical.x + logical.width) / PANGO_SCALE));
  const int bottom =
      static_cast<int>(std::ceil(static_cast<double>(logical.y + logical.height) / PANGO_SCALE));
  const int left = static_cast<int>(std::floor(static_cast<double>(logical.x) / PANGO_SCALE));
  const int top = static_cast<int>(std::floor(static_cast<double>(logical.y) / PANGO_SCALE));
  return Size{right - (left < 0 ? left : 0), bottom - (top < 0 ? top : 0)};
}

std::string CairoCanvas::ResolvedFamily() {
  PangoLayout* layout = Layout("A");
  PangoContext* context = pango_layout_get_context(layout);
  PangoFont* loaded = pango_context_load_font(context, pango_layout_get_font_description(layout));
  if (loaded == nullptr) return std::string();
  PangoFontDescription* desc = pango_font_describe(loaded);
  pango_font_description_unset_fields(desc, PANGO_FONT_MASK_SIZE);
  gchar* name = pango_font_description_to_string(desc);
  std::string family = name;
  g_free(name);
  pango_font_description_free(desc);
  g_object_unref(loaded);
  return family;
}

}  // namespace velmora
