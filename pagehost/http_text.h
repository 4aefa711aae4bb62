#pragma once
// Small pieces of reading HTTP's text: names compared without regard to case, values without the
// blanks around them.

#include <string_view>

namespace veltrano::pagehost {

// True when a and b are the same ASCII text but for the case of letters.
bool sameLetters(std::string_view a, std::string_view b);

// text without the spaces and tabs at either end.
std::string_view withoutBlanks(std::string_view text);

}  // namespace veltrano::pagehost
