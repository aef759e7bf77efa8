#include "core/foundation/string_utils.h"

#include <cstring>

#include "core/foundation/kana_convert.h"
#include "core/foundation/sjis_bytes.h"

namespace {

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Pattern bytes compared at text + pos, where pos is a character boundary. Trail bytes
// are compared exactly: lead bytes are no letters, so equal leads keep both in step.
bool MatchAt(std::string_view text, size_t pos, std::string_view pattern, bool ignoreCase) {
  bool trail = false;
  for (size_t k = 0; k < pattern.size(); ++k) {
    char a = text[pos + k], b = pattern[k];
    if (ignoreCase && !trail) {
      a = LowerAscii(a);
      b = LowerAscii(b);
    }
    if (a != b) return false;
    trail = !trail && IsSjisLeadByte(U(text[pos + k]));
  }
  return true;
}

}  // namespace

size_t FindSjis(std::string_view haystack, std::string_view needle, bool ignoreCase) {
  if (needle.empty()) return 0;
  if (needle.size() > haystack.size()) return std::string_view::npos;
  const size_t last = haystack.size() - needle.size();
  const char first = ignoreCase ? LowerAscii(needle[0]) : needle[0];
  size_t i = 0;
  while (i <= last) {
    char c = ignoreCase ? LowerAscii(haystack[i]) : haystack[i];
    if (c == first && MatchAt(haystack, i, needle, ignoreCase)) return i;
    i += IsSjisLeadByte(U(haystack[i])) ? 2 : 1;
  }
  return std::string_view::npos;
}

bool SplitString(std::string_view text, std::vector<std::string>& fields,
                 std::string_view separators, char quote) {
  fields.clear();
  auto isSeparator = [&](char c) { return separators.find(c) != std::string_view::npos; };
  const bool quoting = quote != '\0';
  std::string field;
  bool quoted = false, fieldStart = true;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    char c = text[i];
    unsigned char b = U(c);
    if (IsSjisLeadByte(b) && i + 1 < n && IsSjisTrailByte(U(text[i + 1]))) {
      field.append(text.substr(i, 2));
      i += 2;
      fieldStart = false;
      continue;
    }
    if (quoted) {
      if (c != quote) {
        field.push_back(c);
        ++i;
      } else if (i + 1 < n && text[i + 1] == quote) {
        field.push_back(quote);
        i += 2;
      } else if (i + 1 >= n) {
        fields.push_back(std::move(field));
        return false;
      } else if (isSeparator(text[i + 1])) {
        fields.push_back(std::move(field));
        field.clear();
        quoted = false;
        fieldStart = true;
        i += 2;
      } else {
        field.push_back(c);
        ++i;
      }
      continue;
    }
    if (fieldStart && quoting && c == quote) {
      quoted = true;
      fieldStart = false;
      ++i;
    } else if (isSeparator(c)) {
      fields.push_back(std::move(field));
      field.clear();
      fieldStart = true;
      ++i;
    } else {
      field.push_back(c);
      fieldStart = false;
      ++i;
    }
  }
  fields.push_back(std::move(field));
  return quoted;
}

const char* xcstristr(const char* text, const char* pattern) {
  if (!text || !pattern) return nullptr;
  std::string_view t(text);
  size_t at = FindSjis(t, pattern, true);
  return at == std::string_view::npos ? nullptr : text + at;
}

// Both searches run over every field of every record in a search of the address book:
// the converted texts go into buffers kept per thread instead of fresh strings.
int xcstrhzstr(std::string_view text, std::string_view pattern) {
  thread_local std::string wideText, widePattern;
  xc_han2zen_sjis_all(wideText, text);
  xc_han2zen_sjis_all(widePattern, pattern);
  return FindSjis(wideText, widePattern) != std::string_view::npos;
}

int xcstrhzistr(std::string_view text, std::string_view pattern) {
  thread_local std::string narrowText, narrowPattern;
  xc_zen2han_sjis_all(narrowText, text);
  xc_zen2han_sjis_all(narrowPattern, pattern);
  return FindSjis(narrowText, narrowPattern, true) != std::string_view::npos;
}

namespace {
// Bytes of text that strncpy_mb copies.
size_t CopyableLength(const unsigned char* s, size_t n, size_t count) {
  size_t i = 0;
  while (i < n && i < count) {
    unsigned char b = s[i];
    if (b < 0x80 || IsHalfWidthKana(b)) {
      ++i;
    } else if (IsSjisLeadByte(b) && i + 2 <= count && i + 1 < n && IsSjisTrailByte(s[i + 1])) {
      i += 2;
    } else {
      break;
    }
  }
  return i;
}
}  // namespace

char* strncpy_mb(char* output, const char* text, size_t count) {
  if (!output) return output;
  size_t k = text ? CopyableLength(reinterpret_cast<const unsigned char*>(text),
                                   std::strlen(text), count)
                  : 0;
  if (k) std::memcpy(output, text, k);
  output[k] = '\0';
  return output;
}

std::string strncpy_mb(std::string_view text, size_t count) {
  return std::string(text.substr(
      0, CopyableLength(reinterpret_cast<const unsigned char*>(text.data()), text.size(), count)));
}

const char* xcmemmem(const void* data, size_t dataLength, const void* pattern,
                     size_t patternLength) {
  if (!data) return nullptr;
  if (patternLength == 0) return static_cast<const char*>(data);
  if (!pattern || patternLength > dataLength) return nullptr;
  return static_cast<const char*>(memmem(data, dataLength, pattern, patternLength));
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string CrLfConverter(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      char other = c == '\r' ? '\n' : '\r';
      if (i + 1 < text.size() && text[i + 1] == other) ++i;
      out += "\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

int IsStrAscii(std::string_view text) {
  for (char c : text)
    if (U(c) >= 0x80) return 0;
  return 1;
}

int CheckCharacterCodeForWinSJIS(std::string_view text, std::string* copy) {
  if (copy) *copy = std::string(text);
  int result = 1;
  size_t i = 0;
  const size_t n = text.size();
  auto offend = [&](size_t at) {
    if (copy) (*copy)[at] = '\0';
    result = 0;
  };
  while (i < n) {
    unsigned char b = U(text[i]);
    if ((b >= 0x20 && b <= 0x7E) || IsHalfWidthKana(b)) {
      ++i;
    } else if ((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF)) {
      if (i + 1 >= n) {
        offend(i);
        break;
      }
      if (IsSjisTrailByte(U(text[i + 1]))) {
        i += 2;
      } else {
        offend(i);
        ++i;
      }
    } else if (b >= 0xF0 && b <= 0xFC) {
      if (i + 1 >= n) {
        result = 0;
        break;
      }
      i += 2;
    } else {
      offend(i);
      ++i;
    }
  }
  return result;
}

std::string ViolationRemoveForDomain(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char b = U(text[i]);
    if ((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
      ++i;  // and its trail byte
    } else if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      out.push_back(static_cast<char>(b));
    }
  }
  return out;
}

void DeleteBlankAndBreakLine(std::string_view text, std::string& output) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == ' ' || c == '\t') continue;
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    out.push_back(c);
  }
  output = std::move(out);
}

void LowerAsciiSjisInto(std::string_view text, std::string& out) {
    out.assign(text.data(), text.size());
    // The run of plain ASCII first, without looking for lead bytes.
    const size_t ascii = AsciiRunLength(reinterpret_cast<const unsigned char*>(out.data()), out.size());
    for (size_t i = 0; i < ascii; ++i) out[i] = LowerAscii(out[i]);
    for (size_t i = ascii; i < out.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(out[i]))) ++i;
        else out[i] = LowerAscii(out[i]);
    }
}

std::string LowerAsciiSjis(std::string_view text) {
    std::string out;
    LowerAsciiSjisInto(text, out);
    return out;
}
