#pragma once
// The key under which translations made with a direction's vocabulary may be remembered.

#include "pagehost/translation_service.h"

#include <string>

namespace veltrano::pagehost {

// A hash (16 hex digits) of the lexical rules, dictionary additions and glossaries in force for
// direction: the same as long as they are, different once any of them changes.
std::string glossaryFingerprint(const Direction& direction);

}  // namespace veltrano::pagehost
