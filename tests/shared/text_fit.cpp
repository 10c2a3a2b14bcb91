#include "tests/shared/text_fit.h"

#include <sstream>
#include <utility>

#include "core/Color.h"

namespace velmora {

namespace {

// The texts `c` can show besides its caption.
std::vector<std::string> ValuesOf(const TMainForm& form, const TControl& c) {
  std::vector<std::string> values;
  const std::pair<const TControl*, std::string (*)(TColor)> channels[] = {
      {form.lblR, RedText}, {form.lblG, GreenText}, {form.lblB, BlueText}};
  for (const auto& [label, text] : channels) {
    if (&c != label) continue;
    for (unsigned v = 0; v <= 255; ++v) values.push_back(text(RGBColor(v, v, v)));
  }
  if (&c == form.lblHexColorValue) {
    for (unsigned digit = 0; digit < 16; ++digit) {
      const unsigned channel = digit * 0x11;
      values.push_back(HexText(RGBColor(channel, channel, channel)));
    }
  }
  return values;
}

}  // namespace

std::vector<MeasuredText> MeasureFormTexts(const TMainForm& form, ICanvas& canvas) {
  std::vector<MeasuredText> measured;
  for (const TControl& c : form.FControls) {
    std::vector<std::string> texts = ValuesOf(form, c);
    if (!c.Caption.empty()) texts.push_back(c.Caption);
    const FontRole font = c.ParentFont ? form.BaseFont() : c.Font;
    for (const std::string& text : texts) {
      const std::string drawn = text.substr(0, text.find_last_not_of(' ') + 1);
      measured.push_back(MeasuredText{c.Name, text, canvas.MeasureText(drawn, font), c.Bounds});
    }
  }
  return measured;
}

std::vector<MeasuredText> TextsThatDoNotFit(const TMainForm& form, ICanvas& canvas) {
  std::vector<MeasuredText> misfits;
  for (MeasuredText& m : MeasureFormTexts(form, canvas)) {
    if (!m.Fits()) misfits.push_back(std::move(m));
  }
  return misfits;
}

std::string Describe(const std::vector<MeasuredText>& texts) {
  std::ostringstream out;
  for (const MeasuredText& m : texts) {
    out << m.control << ": \"" << m.text << "\" " << m.size.width << "x" << m.size.height
        << " in " << m.box.width << "x" << m.box.height << "\n";
  }
  return out.str();
}

}  // namespace velmora
