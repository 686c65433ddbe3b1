// The browsers' automatic certificate selection policy, written for one certificate at a time.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <string>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

enum class Navegador { Edge, Chrome };

// {"pattern":"https://*","filter":{"SUBJECT":{"CN":"<cn>"}}} with the name as a JSON string.
std::string TextoPolitica(const std::string& cn);

// A JSON string value: quotation mark, reverse solidus and U+0000..U+001F escaped (RFC 8259).
std::string CadenaJson(const std::string& texto);

class AlmacenPoliticas {
public:
    virtual ~AlmacenPoliticas() = default;
    // Fails when the policy's place cannot be opened or created; nothing is then left written.
    virtual Hecho Escribir(Navegador navegador, const std::string& textoPolitica) = 0;
    // True when a policy was there and has been removed.
    virtual Resultado<bool> Eliminar(Navegador navegador) = 0;
};

}  // namespace marlevanta
