// The current user's security identifier, as the permission program receives it.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace marlevanta {

// "S-1-" + authority + "-" + each sub-authority. An authority whose first two bytes are not zero
// is written as "0x" and twelve hexadecimal digits, any other in decimal.
std::string TextoSid(const std::array<std::uint8_t, 6>& autoridad,
                     const std::vector<std::uint32_t>& subautoridades);

}  // namespace marlevanta
