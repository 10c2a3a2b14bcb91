#include "core/ColorSpaces.h"

#include <cmath>

namespace velmora {

// NOTE: exp and log rather than std::pow and std::cbrt: mingw-w64 links its
// own of each into Velmora.exe, and pow (with powi) is the largest of them
// (Velmora.exe 2.5 KB smaller so).
double PowerOf(double base, double exponent) {
  return base > 0 ? std::exp(exponent * std::log(base)) : 0;
}

double CubeRoot(double v) {
  return v < 0 ? -PowerOf(-v, 1.0 / 3) : PowerOf(v, 1.0 / 3);
}

namespace {

constexpr double kPi = 3.14159265358979323846;

using Matrix = double[3][3];

struct Vec3 {
  double x, y, z;
};

Vec3 Apply(const Matrix& m, const Vec3& v) {
  return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
          m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
          m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

// sRGB's transfer function and its inverse, on 0..1.
double ToLinear(unsigned channel) {
  const double v = channel / 255.0;
  return v <= 0.04045 ? v / 12.92 : PowerOf((v + 0.055) / 1.055, 2.4);
}

unsigned FromLinear(double v) {
  const double encoded = v <= 0.0031308 ? 12.92 * v : 1.055 * PowerOf(v, 1 / 2.4) - 0.055;
  const double scaled = std::round(encoded * 255);
  return scaled <= 0 ? 0u : scaled >= 255 ? 255u : static_cast<unsigned>(scaled);
}

Vec3 LinearOf(TColor c) {
  return {ToLinear(RedOf(c)), ToLinear(GreenOf(c)), ToLinear(BlueOf(c))};
}

TColor ColorOfLinear(const Vec3& v) {
  return RGBColor(FromLinear(v.x), FromLinear(v.y), FromLinear(v.z));
}

bool IsGrey(TColor c) {
  return RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c);
}

// Björn Ottosson's OKLab, from linear sRGB.
constexpr Matrix kLinearToLms = {{0.4122214708, 0.5363325363, 0.0514459929},
                                 {0.2119034982, 0.6806995451, 0.1073969566},
                                 {0.0883024619, 0.2817188376, 0.6299787005}};
constexpr Matrix kLmsToOklab = {{0.2104542553, 0.7936177850, -0.0040720468},
                                {1.9779984951, -2.4285922050, 0.4505937099},
                                {0.0259040371, 0.7827717662, -0.8086757660}};
constexpr Matrix kOklabToLms = {{1.0, 0.3963377774, 0.2158037573},
                                {1.0, -0.1055613458, -0.0638541728},
                                {1.0, -0.0894841775, -1.2914855480}};
constexpr Matrix kLmsToLinear = {{4.0767416621, -3.3077115913, 0.2309699292},
                                 {-1.2684380046, 2.6097574011, -0.3413193965},
                                 {-0.0041960863, -0.7034186147, 1.7076147010}};

// CSS Color 4: linear sRGB to XYZ (D65), Bradford D65 to D50, and back.
constexpr Matrix kLinearToXyz = {{0.41239079926595934, 0.357584339383878, 0.1804807884018343},
                                 {0.21263900587151027, 0.715168678767756, 0.07219231536073371},
                                 {0.01933081871559182, 0.11919477979462598, 0.9505321522496607}};
constexpr Matrix kD65ToD50 = {{1.0479297925449969, 0.022946870601609652, -0.05019226628920524},
                              {0.02962780877005599, 0.9904344267538799, -0.017073799063418826},
                              {-0.009243040646204504, 0.015055191490298152, 0.7518742814281371}};
constexpr Matrix kD50ToD65 = {{0.955473421488075, -0.02309845494876471, 0.06325924320057072},
                              {-0.0283697093338637, 1.0099953980813041, 0.021041441191917323},
                              {0.012314014864481998, -0.020507649298898964, 1.330365926242124}};
constexpr Matrix kXyzToLinear = {{3.2409699419045226, -1.537383177570094, -0.4986107602930034},
                                 {-0.9692436362808796, 1.8759675015077202, 0.04155505740717559},
                                 {0.05563007969699366, -0.20397695888897652, 1.0569715142428786}};
// The D50 white point, from its chromaticity (0.3457, 0.3585).
constexpr Vec3 kD50White = {0.3457 / 0.3585, 1.0, (1.0 - 0.3457 - 0.3585) / 0.3585};
constexpr double kLabEpsilon = 216.0 / 24389.0;
constexpr double kLabKappa = 24389.0 / 27.0;

double LabF(double t) {
  return t > kLabEpsilon ? PowerOf(t, 1.0 / 3) : (kLabKappa * t + 16) / 116;
}

double LabFInverse(double f) {
  const double cube = f * f * f;
  return cube > kLabEpsilon ? cube : (116 * f - 16) / kLabKappa;
}

std::string Percent(double fraction) {
  return DecimalText(100 * fraction, 2) + "%";
}

}  // namespace

std::string DecimalText(double value, int decimals) {
  double scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const long long units = std::llround(std::fabs(value) * scale);
  if (units == 0) return "0";
  std::string digits = std::to_string(units);
  if (digits.size() <= static_cast<std::size_t>(decimals)) {
    digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
  }
  std::string text = digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
  std::string fraction = digits.substr(text.size());
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  return value < 0 ? "-" + text : text;
}

TLab OklabOf(TColor c) {
  const Vec3 lms = Apply(kLinearToLms, LinearOf(c));
  const Vec3 lab = Apply(kLmsToOklab, Vec3{CubeRoot(lms.x), CubeRoot(lms.y), CubeRoot(lms.z)});
  // Greys lie on the axis exactly; the matrices' rounding would tilt them.
  if (IsGrey(c)) return TLab{lab.x, 0, 0};
  return TLab{lab.x, lab.y, lab.z};
}

TColor ColorOfOklab(const TLab& lab) {
  const Vec3 root = Apply(kOklabToLms, Vec3{lab.L, lab.a, lab.b});
  return ColorOfLinear(Apply(kLmsToLinear, Vec3{root.x * root.x * root.x, root.y * root.y * root.y,
                                                root.z * root.z * root.z}));
}

TLab CieLabOf(TColor c) {
  const Vec3 xyz = Apply(kD65ToD50, Apply(kLinearToXyz, LinearOf(c)));
  const double fx = LabF(xyz.x / kD50White.x);
  const double fy = LabF(xyz.y / kD50White.y);
  const double fz = LabF(xyz.z / kD50White.z);
  if (IsGrey(c)) return TLab{116 * fy - 16, 0, 0};
  return TLab{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

TColor ColorOfCieLab(const TLab& lab) {
  const double fy = (lab.L + 16) / 116;
  const double fx = fy + lab.a / 500;
  const double fz = fy - lab.b / 200;
  const Vec3 xyz{LabFInverse(fx) * kD50White.x, LabFInverse(fy) * kD50White.y,
                 LabFInverse(fz) * kD50White.z};
  return ColorOfLinear(Apply(kXyzToLinear, Apply(kD50ToD65, xyz)));
}

std::string OklabText(TColor c) {
  const TLab lab = OklabOf(c);
  return "oklab(" + Percent(lab.L) + " " + DecimalText(lab.a, 5) + " " + DecimalText(lab.b, 5) +
         ")";
}

std::string OklchText(TColor c) {
  const TLab lab = OklabOf(c);
  const double chroma = std::hypot(lab.a, lab.b);
  double hue = 0;
  if (!IsGrey(c)) {
    hue = std::atan2(lab.b, lab.a) * 180 / kPi;
    if (hue < 0) hue += 360;
    // 359.999 prints as 360 otherwise.
    if (DecimalText(hue, 2) == "360") hue = 0;
  }
  return "oklch(" + Percent(lab.L) + " " + DecimalText(chroma, 5) + " " + DecimalText(hue, 2) + ")";
}

std::string LabText(TColor c) {
  const TLab lab = CieLabOf(c);
  return "lab(" + DecimalText(lab.L, 2) + "% " + DecimalText(lab.a, 2) + " " +
         DecimalText(lab.b, 2) + ")";
}

}  // namespace velmora
