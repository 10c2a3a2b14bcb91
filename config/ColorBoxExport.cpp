#include "config/ColorBoxExport.h"

#include <cctype>

#include "core/ColorFormats.h"
#include "core/Errors.h"

namespace velmora {

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const char c = text[text.size() - tail.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) != tail[i]) return false;
  }
  return true;
}

// "  7" for 7: GIMP's own palettes align the channels in three columns.
std::string Column(unsigned value) {
  std::string text = std::to_string(value);
  return std::string(3 - text.size(), ' ') + text;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ExportFilters() {
  return {{"GIMP palette (*.gpl)", "*.gpl"},
          {"CSS custom properties (*.css)", "*.css"},
          {"JSON (*.json)", "*.json"}};
}

ExportFormat ExportFormatOf(std::string& file) {
  if (EndsWith(file, ".css")) return ExportFormat::Css;
  if (EndsWith(file, ".json")) return ExportFormat::Json;
  if (!EndsWith(file, ".gpl")) file += ".gpl";
  return ExportFormat::GimpPalette;
}

std::string ExportText(ExportFormat format, const std::vector<TColor>& colors) {
  std::string text;
  switch (format) {
    case ExportFormat::GimpPalette:
      text = "GIMP Palette\nName: Velmora colour box\nColumns: " + std::to_string(colors.size()) +
             "\n#\n";
      for (std::size_t i = 0; i < colors.size(); ++i) {
        text += Column(RedOf(colors[i])) + " " + Column(GreenOf(colors[i])) + " " +
                Column(BlueOf(colors[i])) + "\tSlot " + std::to_string(i + 1) + "\n";
      }
      break;
    case ExportFormat::Css:
      text = ":root {\n";
      for (std::size_t i = 0; i < colors.size(); ++i) {
        text += "  --velmora-" + std::to_string(i + 1) + ": " + HexLowerText(colors[i]) + ";\n";
      }
      text += "}\n";
      break;
    case ExportFormat::Json:
      text = "{\n  \"colors\": [";
      for (std::size_t i = 0; i < colors.size(); ++i) {
        text += std::string(i == 0 ? "\n" : ",\n") + "    \"" + HexLowerText(colors[i]) + "\"";
      }
      text += "\n  ]\n}\n";
      break;
  }
  return text;
}

void ExportColorBox(std::string file, const std::vector<TColor>& colors) {
  const ExportFormat format = ExportFormatOf(file);
  if (!Platform().WriteFileReplacing(file, ExportText(format, colors))) {
    throw EVelmoraError("Unable to write to " + file);
  }
}

}  // namespace velmora
