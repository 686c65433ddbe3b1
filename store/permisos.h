// The current user's security identifier and the grant that lets that user write the browsers'
// policies. Standard C++ only, so that the Windows back-end needs nothing but Win32.
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

// The current user's SID text, "" when it cannot be read. On Linux "S-1-22-1-" + uid.
std::string SidUsuarioActual();

// Gives the user of `sid` (the current user when empty) the right to write the browsers' policies,
// merged into what is already allowed. "" on success, otherwise the message of the failing step.
std::string DarPermisosSoftwarePolicies(const std::string& sid);

}  // namespace marlevanta
