// The colour box written out for other programs: a GIMP palette (.gpl),
// CSS custom properties (.css) or JSON (.json), chosen by the file's
// extension.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/Color.h"

namespace velmora {

enum class ExportFormat { GimpPalette, Css, Json };

// What the save dialog offers, as (name, pattern) pairs; the first is the default.
std::vector<std::pair<std::string, std::string>> ExportFilters();
inline constexpr const char* kExportSuggestedName = "Velmora colour box.gpl";

// The format for a file name's extension (compared without case); a file
// without a known extension gets ".gpl" added and is a GIMP palette.
ExportFormat ExportFormatOf(std::string& file);

// The file's text:
//   GIMP Palette             :root {                      {
//   Name: Velmora colour box   --velmora-1: #4169e1;        "colors": [
//   Columns: 6                 ...                            "#4169e1",
//   #                        }                                ...
//    65 105 225	Slot 1                                   ]
//   ...                                                   }
std::string ExportText(ExportFormat format, const std::vector<TColor>& colors);

// Writes the colours to `file` in the format its extension says, replacing
// it in one step. Raises EVelmoraError "Unable to write to <file>" when it
// cannot; no half-written file is left.
void ExportColorBox(std::string file, const std::vector<TColor>& colors);

}  // namespace velmora
