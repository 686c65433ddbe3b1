// The program's settings and aliases. Every operation opens its key, works and closes it again,
// so a value written by one window is seen at once by the next reader.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/politicas.h"
#include "store/registry.h"

namespace marlevanta {

struct TamanoPantalla {
    int ancho = 0;
    int alto = 0;
};

struct ValorPorDefecto {
    std::string_view nombre;
    std::string_view valor;  // empty for FormTop and FormLeft, which are computed
};

// The twenty settings, in the order in which start-up creates them.
const std::vector<ValorPorDefecto>& ValoresPorDefecto();

inline constexpr const char* kClaveAjustes = "\\Software\\Velquorin\\marlevanta";
inline constexpr const char* kClaveAlias = "\\Software\\Velquorin\\marlevanta\\alias";

// StrToInt's rule: optional sign and decimal digits, surrounding blanks allowed.
// Throws std::invalid_argument "'<texto>' is not a valid integer value".
int TextoAEntero(const std::string& texto);

class TManejadorRegistro {
public:
    using FuentePantalla = std::function<TamanoPantalla()>;

    TManejadorRegistro(std::unique_ptr<RegistroUsuario> registro, FuentePantalla pantalla,
                       std::unique_ptr<AlmacenPoliticas> politicas = CrearAlmacenPoliticas());

    // False only when the settings key cannot be opened or created. A FormHeight or FormWidth
    // that is not a number ends it with std::invalid_argument; values before it stay written.
    bool IniciarValoresSiNoExisten();
    std::string LeerValor(const std::string& nombre);
    bool EscribirValor(const std::string& nombre, const std::string& valor);
    std::string LeerAlias(const std::string& nombre);
    bool EscribirAlias(const std::string& nombre, const std::string& valor);

    // The browsers' automatic certificate selection for the subject common name `cn`.
    bool EscribirCertificadoEdge(const std::string& cn);
    bool EscribirCertificadoChrome(const std::string& cn);
    bool EliminarCertificadoEdge();
    bool EliminarCertificadoChrome();
    // "" on success, otherwise the message of the failing step.
    std::string DarPermisosSoftwarePolicies(const std::string& user);

    RegistroUsuario& Registro() { return *registro_; }

private:
    bool Escribir(const char* clave, const std::string& nombre, const std::string& valor);

    std::unique_ptr<RegistroUsuario> registro_;
    FuentePantalla pantalla_;
    std::unique_ptr<AlmacenPoliticas> politicas_;
};

}  // namespace marlevanta
