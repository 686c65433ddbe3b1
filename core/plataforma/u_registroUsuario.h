// Per-user key/value store with the semantics of the Windows registry below HKEY_CURRENT_USER:
// key paths, named values with a type, names compared without regard to case.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

// An open key. Closing it (Cerrar or destruction) ends the operation that opened it.
class ClaveRegistro {
public:
    virtual ~ClaveRegistro() = default;
    virtual bool ExisteValor(const std::string& nombre) = 0;
    // Text of a REG_SZ or REG_EXPAND_SZ value (unexpanded), "" when missing; for any other type
    // the failure TextoErrorTipo(nombre).
    virtual Resultado<std::string> LeerTexto(const std::string& nombre) = 0;
    // Every text value of the key, by its name folded to upper case; other types are left out.
    virtual Resultado<std::map<std::string, std::string>> LeerTextos() = 0;
    // Stores a REG_SZ value; the failure starts with TextoErrorEscritura(nombre).
    virtual Hecho EscribirTexto(const std::string& nombre, const std::string& valor) = 0;
    // Makes every write durable.
    [[nodiscard]] virtual Hecho Cerrar() = 0;
};

class RegistroUsuario {
public:
    virtual ~RegistroUsuario() = default;
    // Opens a key path for reading and writing, creating every missing key.
    virtual Resultado<std::unique_ptr<ClaveRegistro>> AbrirEscritura(const std::string& ruta) = 0;
    // Opens an existing key for reading only, creating nothing; nullptr when it does not exist.
    virtual Resultado<std::unique_ptr<ClaveRegistro>> AbrirLectura(const std::string& ruta) = 0;
    // Deletes a key with all its subkeys and values; true when it existed.
    virtual Resultado<bool> BorrarArbol(const std::string& ruta) = 0;
    // Where the values are kept, for messages: a file, or a registry path.
    virtual std::string Ubicacion() const = 0;
};

// What the user reads when the value `nombre` is not text, and what to do about it.
std::string TextoErrorTipo(const std::string& nombre);
// The start of a failed write's message; the store's reason follows after ": ".
std::string TextoErrorEscritura(const std::string& nombre);

// Upper case of the ASCII letters: how the alias keys (thumbprints) are compared.
std::string MayusculasAscii(std::string texto);

}  // namespace marlevanta
