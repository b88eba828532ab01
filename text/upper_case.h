// Upper case for comparing names as a file system does: the Text's UTF-16
// code units, each mapped to its upper case by the system's own rules (ICU's
// simple case mapping; on Windows the system's, as its file systems use).
// Letters outside ASCII count too (é and É give one key). Stateless; safe from
// any thread. An empty or unconvertible Text gives an empty key.
#pragma once

#include <string>

#include "text/text.h"

namespace ld {

std::u16string upperCaseForComparison(const Text& text);

}  // namespace ld
