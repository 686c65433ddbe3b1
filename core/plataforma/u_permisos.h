// The current user's security identifier, as the permission program receives it, and how that
// program gets the administrator's rights on this system.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

// "S-1-" + authority + "-" + each sub-authority. An authority whose first two bytes are not zero
// is written as "0x" and twelve hexadecimal digits, any other in decimal.
std::string TextoSid(const std::array<std::uint8_t, 6>& autoridad,
                     const std::vector<std::uint32_t>& subautoridades);

// How the system runs the permission program with the administrator's rights, and what the way
// that run ended means. Each system has its own program that asks for the rights and its own
// exit codes; the program only shows what this says.
class ElevacionPermisos {
public:
    struct Orden {
        std::string ejecutable;
        std::vector<std::string> argumentos;
    };
    virtual ~ElevacionPermisos() = default;
    // What runs `ayudante` (the permission program, an absolute path) for the user of `sid`
    // with the administrator's rights.
    virtual Orden Elevada(const std::string& ayudante, const std::string& sid) const = 0;
    // The same as an administrator types it instead.
    virtual std::string OrdenManual(const std::string& ayudante, const std::string& sid) const = 0;
    // The run ended with `codigo` (-1 when it did not end by itself) after writing `error` on
    // its standard error: success, or why not in words the user can act on.
    virtual Hecho Desenlace(int codigo, const std::string& error) const = 0;
    // What to tell when the run could not even start; `motivo` is the system's reason.
    virtual std::string SinArrancar(const std::string& motivo) const = 0;
};

}  // namespace marlevanta
