// The program's settings and aliases. Every operation opens its key, works and closes it again,
// so a value written by one window is seen at once by the next reader.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/plataforma/u_almacenPoliticas.h"
#include "core/plataforma/u_registroUsuario.h"
#include "core/u_ajustes.h"

namespace marlevanta {

struct TamanoPantalla {
    int ancho = 0;
    int alto = 0;
};

inline constexpr const char* kClaveAjustes = "\\Software\\Velquorin\\marlevanta";
inline constexpr const char* kClaveAlias = "\\Software\\Velquorin\\marlevanta\\alias";

class TManejadorRegistro {
public:
    using FuentePantalla = std::function<TamanoPantalla()>;

    TManejadorRegistro(std::unique_ptr<RegistroUsuario> registro, FuentePantalla pantalla,
                       std::unique_ptr<AlmacenPoliticas> politicas = nullptr);
    // The settings module keeps a reference to its store.
    TManejadorRegistro(const TManejadorRegistro&) = delete;
    TManejadorRegistro& operator=(const TManejadorRegistro&) = delete;

    // Creates every missing setting with its default. All that can be written is written even
    // when one value fails (a FormHeight that is not a number leaves FormTop to be computed
    // later); the failure names the first problem.
    Hecho IniciarValoresSiNoExisten();
    // "" for a value that does not exist.
    Resultado<std::string> LeerValor(const std::string& nombre);
    Hecho EscribirValor(const std::string& nombre, const std::string& valor);
    Resultado<std::string> LeerAlias(const std::string& nombre);
    Hecho EscribirAlias(const std::string& nombre, const std::string& valor);
    // Every alias at once, by its key in upper case; creates the alias key like LeerAlias.
    Resultado<std::map<std::string, std::string>> LeerTodosLosAlias();

    // The browsers' automatic certificate selection for the certificate `regla` names, in one
    // of its places.
    [[nodiscard]] Hecho EscribirCertificado(Navegador navegador, const ReglaCertificado& regla,
                                            LugarRegla lugar);
    [[nodiscard]] Hecho EscribirCertificadoEdge(const ReglaCertificado& regla, LugarRegla lugar) {
        return EscribirCertificado(Navegador::Edge, regla, lugar);
    }
    [[nodiscard]] Hecho EscribirCertificadoChrome(const ReglaCertificado& regla, LugarRegla lugar) {
        return EscribirCertificado(Navegador::Chrome, regla, lugar);
    }
    // The rule taken out of every place; true when one held it. Every place is tried even when
    // one fails; the failure names the first.
    Resultado<bool> EliminarCertificado(Navegador navegador);
    Resultado<bool> EliminarCertificadoEdge() { return EliminarCertificado(Navegador::Edge); }
    Resultado<bool> EliminarCertificadoChrome() { return EliminarCertificado(Navegador::Chrome); }
    // A run's hold on the browser, from before its rule is written until after it is removed.
    Resultado<std::unique_ptr<TurnoNavegador>> ReservarNavegador(Navegador navegador);
    // Rules left by runs that did not end, removed only when no other copy of the program of
    // this user has a run going with that browser; false when there was nothing to remove or
    // the browser is in use.
    Resultado<bool> EliminarRestos(Navegador navegador);
    // Where a run writes the rule: the browser's own profile and, when the user asked for it
    // ("NavegadorPoliticaSistema") or where the profile takes no rule, the managed policy.
    std::vector<LugarRegla> LugaresRegla();
    // Firefox has no managed rule for this: only its profile.
    std::vector<LugarRegla> LugaresRegla(Navegador navegador) {
        return navegador == Navegador::Firefox ? std::vector<LugarRegla>{LugarRegla::Perfil}
                                               : LugaresRegla();
    }
    bool AdmitePerfil() const { return politicas_ && politicas_->AdmitePerfil(); }
    // One browser profile per certificate (see AlmacenPoliticas).
    Resultado<PerfilCertificado> PrepararPerfilCertificado(Navegador navegador,
                                                           const std::string& id,
                                                           const ReglaCertificado& regla,
                                                           const std::string& nombre);
    std::vector<InfoPerfilCertificado> PerfilesCertificado(Navegador navegador);
    [[nodiscard]] Hecho BorrarPerfilCertificado(Navegador navegador, const std::string& id);
    bool PermisosAyudan() const { return politicas_ && politicas_->PermisosAyudan(); }
    Hecho PoliticaSistemaPermitida() const {
        if (!politicas_) return Falla("No hay dónde escribir la política del navegador.");
        return politicas_->PoliticaSistemaPermitida();
    }

    // The settings, typed and bounded; every window reads and writes them through this.
    Ajustes& ajustes() { return ajustes_; }

    RegistroUsuario& Registro() { return *registro_; }
    // Where the settings are kept, for messages.
    std::string Ubicacion() const { return registro_->Ubicacion(); }

private:
    Hecho Escribir(const char* clave, const std::string& nombre, const std::string& valor);

    std::unique_ptr<RegistroUsuario> registro_;
    FuentePantalla pantalla_;
    std::unique_ptr<AlmacenPoliticas> politicas_;
    Ajustes ajustes_{*this};
};

// A failure of the settings store told to the user: what could not be done, where, and why.
QString MensajeAjustes(const QString& accion, const TManejadorRegistro& registro,
                       const std::string& motivo);

}  // namespace marlevanta
