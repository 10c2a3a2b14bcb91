// Profile (INI) files as the Windows profile functions see them, worked on
// the file's bytes: every backend reads a file once, works on it here and
// writes it back whole (the null platform keeps its files in memory).
//
// The model is the one the Windows profile functions keep (checked against
// them under Wine, tests/wine/test_profile_engine.cpp):
// - the file is read into sections of lines; a line ends at any run of CR and
//   LF; blank lines are dropped; blanks (tab, LF, VT, FF, CR, ^Z, space)
//   around a line, a section name, a key and a value are ignored;
// - "[name]" opens a section (up to the last ']'); any other line is a key,
//   with a value when it holds '=': comments and lines without '=' stay as
//   they are; lines above the first section form a section without a name;
// - section and key names match without regard to the case of A-Z; of two
//   sections or keys of one name the first counts;
// - a write replaces the value of its key or adds the key at the end of its
//   section, or the section at the end of the file, and the whole file is
//   written anew with CRLF line ends; a write that changes nothing leaves
//   the file untouched;
// - a read removes one pair of matching quotes (" or ') around the value and
//   cuts it to the reader's buffer;
// - a file's text is 8-bit (code page 1252) unless it starts with a UTF-8 or
//   UTF-16 mark, which is kept; characters that code page 1252 lacks are
//   written to an 8-bit file as '?'.
// Names and values are handed in and out as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

// The buffer the profile reader is given, in characters (with the final NUL).
inline constexpr std::size_t kProfileBufferChars = 2048;

class ProfileFile {
 public:
  // An empty file (one that does not exist yet).
  ProfileFile();
  // The content of a file, from its bytes.
  explicit ProfileFile(const std::string& bytes);

  // The key's value as the reader returns it into a buffer of `bufferChars`
  // characters: one pair of matching quotes removed, cut to fit. Empty when
  // the section or key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         std::size_t bufferChars = kProfileBufferChars) const;
  // Sets the key's value, adding the key at the end of its section and the
  // section at the end of the file when missing. True when the content
  // changed, i.e. the file has to be written.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);

  // ReadString of each key of one section, in the order given.
  std::vector<std::string> ReadStrings(const std::string& section,
                                       const std::vector<std::string>& keys) const;
  // WriteString of each key and value, in the order given. True when the
  // content changed.
  bool WriteStrings(const std::string& section, const ProfileValues& values);

  // The bytes the writer puts in the file for this content.
  std::string Bytes() const;

 private:
  enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE };
  struct Key {
    std::u16string name;
    bool hasValue = false;
    std::u16string value;
  };
  struct Section {
    std::u16string name;  // empty for the lines above the first section
    std::vector<Key> keys;
  };

  const Key* Find(const std::u16string& section, const std::u16string& key) const;

  Encoding encoding_ = Encoding::Ansi;
  std::vector<Section> sections_;
};

}  // namespace velmora
