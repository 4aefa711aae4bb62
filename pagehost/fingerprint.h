#pragma once
// What identifies the translations a direction gives, so that a translation kept from an earlier
// run is only reused while the same translation data would give it again.

#include "pagehost/translation_service.h"

#include <string>

namespace veltrano::pagehost {

// The direction's translation fingerprint: the installed Apertium language pair package and its
// version ("apertium-eng-spa 0.8.1-2"; for a pair not installed as a package, a hash of its mode
// file's text), then the fingerprint of the vocabulary in force over it, then one of the page host
// program itself. Every source of a direction's translations belongs in it.
std::string translationFingerprint(const Direction& direction);

}  // namespace veltrano::pagehost
