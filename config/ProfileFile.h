// Profile (INI) files as the platform's profile functions see them, worked
// on the file's bytes. The null platform keeps its files with it, and a
// backend without profile functions of its own can use it over real files.
//
// The model is the one the Windows functions keep: the file is read into
// sections of keys, a write changes one key in that model, and the whole
// model is written back with CRLF line ends. Blank lines disappear on
// rewrite; comment lines and lines without '=' are kept as nameless-value
// keys; keys above the first section stay where they are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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
  // True when the section holds the key (with or without a value).
  bool HasKey(const std::string& section, const std::string& key) const;
  // Sets the key's value, adding the key at the end of its section and the
  // section at the end of the file when missing. True when the content
  // changed, i.e. the file has to be written.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);

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
