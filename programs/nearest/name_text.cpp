#include "nearest/name_text.h"

namespace vexlor {

void AppendName(std::string* out, std::string_view name) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\') {
      *out += "\\\\";
    } else if (c == '\t') {
      *out += "\\t";
    } else if (c == '\n') {
      *out += "\\n";
    } else if (c == '\r') {
      *out += "\\r";
    } else if (b < 0x20 || b == 0x7F) {
      *out += "\\x";
      *out += kHex[b >> 4];
      *out += kHex[b & 15];
    } else {
      *out += c;
    }
  }
}

}  // namespace vexlor
