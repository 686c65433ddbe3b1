// The browsers' automatic certificate selection policy, written for one certificate at a time.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <memory>
#include <string>

namespace marlevanta {

enum class Navegador { Edge, Chrome };

// {"pattern":"https://*","filter":{"SUBJECT":{"CN":"<cn>"}}} with the name as a JSON string.
std::string TextoPolitica(const std::string& cn);

// A JSON string value: quotation mark, reverse solidus and U+0000..U+001F escaped (RFC 8259).
std::string CadenaJson(const std::string& texto);

class AlmacenPoliticas {
public:
    virtual ~AlmacenPoliticas() = default;
    // False when the policy's place cannot be opened or created; nothing is then written.
    virtual bool Escribir(Navegador navegador, const std::string& textoPolitica) = 0;
    // True when a policy was there and has been removed.
    virtual bool Eliminar(Navegador navegador) = 0;
};

// The platform's policy store for the current user.
std::unique_ptr<AlmacenPoliticas> CrearAlmacenPoliticas();

}  // namespace marlevanta
