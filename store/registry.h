// Per-user key/value store with the semantics of the Windows registry below HKEY_CURRENT_USER:
// key paths, named values with a type, names compared without regard to case.
// Standard C++ only, so that the Windows back-end needs nothing but Win32.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace marlevanta {

// Raised for a value of a type that cannot be read as text, or a write the system refused.
class ErrorRegistro : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An open key. Closing it (cerrar or destruction) ends the operation that opened it.
class ClaveRegistro {
public:
    virtual ~ClaveRegistro() = default;
    virtual bool ExisteValor(const std::string& nombre) = 0;
    // Text of a REG_SZ or REG_EXPAND_SZ value (unexpanded), "" when missing.
    // Throws ErrorRegistro "Invalid data type for '<nombre>'" for any other type.
    virtual std::string LeerTexto(const std::string& nombre) = 0;
    // Stores a REG_SZ value. Throws ErrorRegistro "Failed to set data for '<nombre>'".
    virtual void EscribirTexto(const std::string& nombre, const std::string& valor) = 0;
    // Makes every write durable; false when the store refused them.
    virtual bool Cerrar() = 0;
};

class RegistroUsuario {
public:
    virtual ~RegistroUsuario() = default;
    // Opens a key path for reading and writing, creating every missing key; nullptr on failure.
    virtual std::unique_ptr<ClaveRegistro> AbrirEscritura(const std::string& ruta) = 0;
    // Opens an existing key for reading only, creating nothing; nullptr when it cannot.
    virtual std::unique_ptr<ClaveRegistro> AbrirLectura(const std::string& ruta) = 0;
    // Deletes a key with all its subkeys and values; false when it did not exist or failed.
    virtual bool BorrarArbol(const std::string& ruta) = 0;
};

std::string TextoErrorTipo(const std::string& nombre);
std::string TextoErrorEscritura(const std::string& nombre);

// The platform's store for the current user.
std::unique_ptr<RegistroUsuario> CrearRegistroUsuario();

}  // namespace marlevanta
