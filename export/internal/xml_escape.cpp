#include "export/internal/xml_escape.h"

#include "platform/code_page.h"

namespace shelvex::exporting::internal {

XmlEscaper::XmlEscaper(const platform::CodePage& ansi) {
  for (int byte = 0; byte < 256; ++byte) {
    classes_[byte] = ansi.IsLeadByte(static_cast<unsigned char>(byte)) ? kLead : kPlain;
  }
  for (unsigned char byte : kSpecialBytes) classes_[byte] = kSpecial;
}

}  // namespace shelvex::exporting::internal
