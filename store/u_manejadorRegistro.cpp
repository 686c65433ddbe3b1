#include "store/u_manejadorRegistro.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>

#include "store/permisos.h"

namespace marlevanta {

const std::vector<ValorPorDefecto>& ValoresPorDefecto() {
    static const std::vector<ValorPorDefecto> valores = {
        {"AyudaUso", "https://www.marlevanta.example/ayuda/uso.php"},
        {"AyudaTrucos", "https://www.marlevanta.example/ayuda/trucos.php"},
        {"PanelSoloCertificadosCliente", "1"},
        {"PanelOcultarCertificadosCaducados", "1"},
        {"PanelProximosCaducar", "0"},
        {"PanelConfirmarSalida", "1"},
        {"PanelComprobarActualizaciones", "1"},
        {"ApiHost", "https://api.marlevanta.example"},
        {"GridTamanoFuente", "10"},
        {"GridColumnaOrden", "0"},
        {"GridVerEmail", "0"},
        {"GridVerEmitidoPor", "0"},
        {"GridVerValidoDesde", "0"},
        {"GridVerPropositos", "0"},
        {"GridAnchoColumnas", "50,400,200,120,250,300,120,350,400"},
        {"FormMaximized", "0"},
        {"FormHeight", "540"},
        {"FormWidth", "900"},
        {"FormTop", ""},
        {"FormLeft", ""},
    };
    return valores;
}

int TextoAEntero(const std::string& texto) {
    const auto error = [&] {
        return std::invalid_argument("'" + texto + "' is not a valid integer value");
    };
    size_t i = 0;
    while (i < texto.size() && texto[i] == ' ') ++i;
    size_t fin = texto.size();
    while (fin > i && texto[fin - 1] == ' ') --fin;
    std::string cuerpo = texto.substr(i, fin - i);
    size_t digitos = (!cuerpo.empty() && (cuerpo[0] == '-' || cuerpo[0] == '+')) ? 1 : 0;
    if (digitos == cuerpo.size()) throw error();
    for (size_t k = digitos; k < cuerpo.size(); ++k) {
        if (cuerpo[k] < '0' || cuerpo[k] > '9') throw error();
    }
    errno = 0;
    const long long v = std::strtoll(cuerpo.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) throw error();
    return static_cast<int>(v);
}

TManejadorRegistro::TManejadorRegistro(std::unique_ptr<RegistroUsuario> registro,
                                       FuentePantalla pantalla,
                                       std::unique_ptr<AlmacenPoliticas> politicas)
    : registro_(std::move(registro)),
      pantalla_(std::move(pantalla)),
      politicas_(std::move(politicas)) {}

bool TManejadorRegistro::IniciarValoresSiNoExisten() {
    auto clave = registro_->AbrirEscritura(kClaveAjustes);
    if (!clave) return false;
    for (const auto& v : ValoresPorDefecto()) {
        if (v.valor.empty()) continue;
        const std::string nombre(v.nombre);
        if (!clave->ExisteValor(nombre)) clave->EscribirTexto(nombre, std::string(v.valor));
    }
    // Centred on the primary screen, from the size stored by now (maybe the user's last size).
    const auto centrar = [&](const char* borde, const char* medida, int pantalla) {
        if (clave->ExisteValor(borde)) return;
        const int valor = (pantalla - TextoAEntero(clave->LeerTexto(medida))) / 2;
        clave->EscribirTexto(borde, std::to_string(valor < 0 ? 0 : valor));
    };
    const TamanoPantalla tam = pantalla_ ? pantalla_() : TamanoPantalla{};
    centrar("FormTop", "FormHeight", tam.alto);
    centrar("FormLeft", "FormWidth", tam.ancho);
    return clave->Cerrar();
}

std::string TManejadorRegistro::LeerValor(const std::string& nombre) {
    auto clave = registro_->AbrirLectura(kClaveAjustes);
    return clave ? clave->LeerTexto(nombre) : std::string();
}

bool TManejadorRegistro::EscribirValor(const std::string& nombre, const std::string& valor) {
    return Escribir(kClaveAjustes, nombre, valor);
}

std::string TManejadorRegistro::LeerAlias(const std::string& nombre) {
    // Reading creates the alias key; the common case, where it exists, needs no write lock.
    auto clave = registro_->AbrirLectura(kClaveAlias);
    if (!clave) {
        auto creada = registro_->AbrirEscritura(kClaveAlias);
        if (!creada) return {};
        std::string texto = creada->LeerTexto(nombre);
        creada->Cerrar();
        return texto;
    }
    return clave->LeerTexto(nombre);
}

bool TManejadorRegistro::EscribirAlias(const std::string& nombre, const std::string& valor) {
    return Escribir(kClaveAlias, nombre, valor);
}

bool TManejadorRegistro::Escribir(const char* ruta, const std::string& nombre,
                                  const std::string& valor) {
    auto clave = registro_->AbrirEscritura(ruta);
    if (!clave) return false;
    clave->EscribirTexto(nombre, valor);
    if (!clave->Cerrar()) throw ErrorRegistro(TextoErrorEscritura(nombre));
    return true;
}

bool TManejadorRegistro::EscribirCertificadoEdge(const std::string& cn) {
    return politicas_->Escribir(Navegador::Edge, TextoPolitica(cn));
}

bool TManejadorRegistro::EscribirCertificadoChrome(const std::string& cn) {
    return politicas_->Escribir(Navegador::Chrome, TextoPolitica(cn));
}

bool TManejadorRegistro::EliminarCertificadoEdge() {
    return politicas_->Eliminar(Navegador::Edge);
}

bool TManejadorRegistro::EliminarCertificadoChrome() {
    return politicas_->Eliminar(Navegador::Chrome);
}

std::string TManejadorRegistro::DarPermisosSoftwarePolicies(const std::string& user) {
    return marlevanta::DarPermisosSoftwarePolicies(user);
}

}  // namespace marlevanta
