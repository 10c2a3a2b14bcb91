#include "platform/ProfileFile.h"

#include <algorithm>

namespace velmora {

namespace {

// Code page 1252, bytes 0x80-0x9F; the five bytes it leaves open stand for
// the control characters of the same value, as the Windows converter has it.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t AnsiToChar(unsigned char b) {
  return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
}

char CharToAnsi(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}


std::string ToAnsi(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(CharToAnsi(c));
  return out;
}

// Decodes UTF-8 as the platform's converter does: a broken sequence becomes
// one U+FFFD for the bytes read up to the point where it was found broken.
std::u16string DecodeUtf8(const std::string& bytes, std::size_t from) {
  std::u16string out;
  const std::size_t n = bytes.size();
  auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  std::size_t i = from;
  while (i < n) {
    const unsigned char lead = byteAt(i++);
    if (lead < 0x80) {
      out.push_back(lead);
      continue;
    }
    // Bytes that follow the lead byte; 0 for a byte that cannot lead.
    const int length = lead >= 0xC2 && lead <= 0xDF   ? 1
                       : lead >= 0xE0 && lead <= 0xEF ? 2
                       : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                      : 0;
    char32_t cp = lead & (length == 1 ? 0x1F : length == 2 ? 0x0F : 0x07);
    bool ok = length > 0;
    if (ok && i + length > n) {
      ok = false;  // cut short by the end of the file: the rest goes with it
      i = n;
    }
    for (int step = ok ? length : 0; step > 0; --step) {
      const unsigned c = byteAt(i) ^ 0x80u;
      if (c >= 0x40) {
        ok = false;
        break;
      }
      cp = (cp << 6) | c;
      if (step == 2 && cp >= (0x110000 >> 6)) {
        ok = false;  // beyond the last code point; this byte is not taken
        break;
      }
      ++i;
      if ((step == 3 && cp < 0x10) || (step == 2 && cp < 0x20) ||
          (step == 2 && cp >= (0xD800 >> 6) && cp <= (0xDFFF >> 6)) || (step == 1 && cp < 0x80)) {
        ok = false;  // too long a form, or a surrogate
        break;
      }
    }
    if (!ok) {
      out.push_back(0xFFFD);
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

void AppendUtf8(std::string& out, const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

// Text handed in by the program: UTF-8 that ends at its first NUL.
std::u16string FromProgram(const std::string& text) {
  return DecodeUtf8(text.substr(0, text.find('\0')), 0);
}

// Text handed back to the program, as UTF-8.
std::string ToProgram(const std::u16string& text) {
  std::string out;
  AppendUtf8(out, text);
  return out;
}

bool IsBlank(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

// Names match without regard to the case of the letters A to Z (only those:
// the profile functions fold no other letters).
char16_t FoldCase(char16_t c) { return c >= 'A' && c <= 'Z' ? c + 0x20 : c; }

bool SameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

// The first of `entries` (sections or keys) called `name`, or nullptr: of
// two entries of one name only the first counts.
template <typename Entries>
auto FirstNamed(Entries& entries, const std::u16string& name) -> decltype(&*entries.begin()) {
  for (auto& entry : entries) {
    if (SameName(entry.name, name)) return &entry;
  }
  return nullptr;
}

// A name as stored: everything up to its first NUL.
std::u16string UpToNul(const char16_t* begin, const char16_t* end) {
  const char16_t* nul = std::find(begin, end, u'\0');
  return std::u16string(begin, nul);
}

std::u16string TrimBlanks(const std::u16string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::u16string TrimLeadingBlanks(const std::u16string& s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

}  // namespace

ProfileFile::ProfileFile() { sections_.emplace_back(); }

ProfileFile::ProfileFile(const std::string& bytes) {
  std::u16string text;
  const std::size_t n = bytes.size();
  auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (n >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) {
    encoding_ = Encoding::Utf8;
    text = DecodeUtf8(bytes, 3);
  } else if (n >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE) {
    encoding_ = Encoding::Utf16LE;
    for (std::size_t i = 2; i + 1 < n; i += 2) {
      text.push_back(static_cast<char16_t>(byteAt(i) | (byteAt(i + 1) << 8)));
    }
  } else if (n >= 2 && byteAt(0) == 0xFE && byteAt(1) == 0xFF) {
    encoding_ = Encoding::Utf16BE;
    for (std::size_t i = 2; i + 1 < n; i += 2) {
      text.push_back(static_cast<char16_t>((byteAt(i) << 8) | byteAt(i + 1)));
    }
  } else {
    text.reserve(n);
    for (char c : bytes) text.push_back(AnsiToChar(static_cast<unsigned char>(c)));
  }

  sections_.emplace_back();
  const char16_t* const end = text.data() + text.size();
  const char16_t* next = text.data();
  bool lastKeyNameless = false;  // the previous key of this section had no name
  bool sectionHasKeys = false;
  while (next < end) {
    // A line ends at a run of CR and LF characters.
    const char16_t* start = next;
    while (next < end && *next != '\n' && *next != '\r') ++next;
    while (next < end && (*next == '\n' || *next == '\r')) ++next;
    const char16_t* stop = next;
    while (start < stop && IsBlank(*start)) ++start;
    while (stop > start && IsBlank(stop[-1])) --stop;
    if (start >= stop) continue;

    if (*start == '[') {
      const char16_t* close = stop;
      while (close > start && close[-1] != ']') --close;
      if (close > start) {
        const char16_t* nameStart = start + 1;
        const char16_t* nameStop = close - 1;
        while (nameStart < nameStop && IsBlank(*nameStart)) ++nameStart;
        while (nameStop > nameStart && IsBlank(nameStop[-1])) --nameStop;
        Section section;
        section.name = UpToNul(nameStart, nameStop);
        sections_.push_back(std::move(section));
        lastKeyNameless = false;
        sectionHasKeys = false;
        continue;
      }
      // A '[' without ']' is an ordinary line.
    }

    Key key;
    const char16_t* equals = std::find(start, stop, u'=');
    const char16_t* nameEnd = stop;
    if (equals != stop) {
      nameEnd = equals;
      while (nameEnd > start && IsBlank(nameEnd[-1])) --nameEnd;
      const char16_t* valueStart = equals + 1;
      while (valueStart < stop && IsBlank(*valueStart)) ++valueStart;
      key.hasValue = true;
      key.value = UpToNul(valueStart, stop);
    }
    // Of consecutive lines without a name only the first is kept.
    if (nameEnd == start && sectionHasKeys && lastKeyNameless) continue;
    key.name = UpToNul(start, nameEnd);
    lastKeyNameless = key.name.empty();
    sectionHasKeys = true;
    sections_.back().keys.push_back(std::move(key));
  }
}

const ProfileFile::Key* ProfileFile::Find(const std::u16string& section,
                                          const std::u16string& key) const {
  const Section* s = FirstNamed(sections_, section);
  return s ? FirstNamed(s->keys, key) : nullptr;
}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    std::size_t bufferChars) const {
  if (bufferChars == 0) return std::string();
  const Key* k = Find(TrimBlanks(FromProgram(section)), TrimBlanks(FromProgram(key)));
  if (!k || !k->hasValue) return std::string();

  // One pair of matching quotes goes, unless the text is cut short.
  std::u16string value = k->value;
  bool quoted = false;
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    quoted = true;
    value.erase(0, 1);
  }
  const std::size_t fullLength = value.size();
  if (value.size() > bufferChars - 1) value.resize(bufferChars - 1);
  if (quoted && bufferChars >= fullLength && !value.empty()) value.pop_back();
  return ToProgram(value);
}

bool ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  const std::u16string sectionName = TrimLeadingBlanks(FromProgram(section));
  const std::u16string keyName = TrimLeadingBlanks(FromProgram(key));
  const std::u16string text = TrimLeadingBlanks(FromProgram(value));
  const std::u16string wantedSection = TrimBlanks(sectionName);
  const std::u16string wantedKey = TrimBlanks(keyName);

  Section* target = FirstNamed(sections_, wantedSection);
  if (!target) {
    Section s;
    s.name = sectionName;
    sections_.push_back(std::move(s));
    target = &sections_.back();
  }
  Key* found = FirstNamed(target->keys, wantedKey);
  if (!found) {
    Key k;
    k.name = keyName;
    target->keys.push_back(std::move(k));
    found = &target->keys.back();
  } else if (found->hasValue && found->value == text) {
    return false;
  }
  found->hasValue = true;
  found->value = text;
  return true;
}

std::vector<std::string> ProfileFile::ReadStrings(const std::string& section,
                                                  const std::vector<std::string>& keys) const {
  std::vector<std::string> values;
  values.reserve(keys.size());
  for (const std::string& key : keys) values.push_back(ReadString(section, key));
  return values;
}

bool ProfileFile::WriteStrings(const std::string& section, const ProfileValues& values) {
  bool changed = false;
  for (const auto& [key, value] : values) changed = WriteString(section, key, value) || changed;
  return changed;
}

std::string ProfileFile::Bytes() const {
  std::u16string text;
  for (const Section& s : sections_) {
    if (!s.name.empty()) {
      text += u'[';
      text += s.name;
      text += u"]\r\n";
    }
    for (const Key& k : s.keys) {
      text += k.name;
      if (k.hasValue) {
        text += u'=';
        text += k.value;
      }
      text += u"\r\n";
    }
  }
  std::string out;
  switch (encoding_) {
    case Encoding::Ansi:
      out = ToAnsi(text);
      break;
    case Encoding::Utf8:
      out = "\xEF\xBB\xBF";
      AppendUtf8(out, text);
      break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
      const bool le = encoding_ == Encoding::Utf16LE;
      out = le ? "\xFF\xFE" : "\xFE\xFF";
      for (char16_t c : text) {
        const char lo = static_cast<char>(c & 0xFF);
        const char hi = static_cast<char>(c >> 8);
        out.push_back(le ? lo : hi);
        out.push_back(le ? hi : lo);
      }
      break;
    }
  }
  return out;
}

}  // namespace velmora
