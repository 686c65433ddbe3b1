#include "core/u_manejadorRegistro.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>

namespace marlevanta {

TManejadorRegistro::TManejadorRegistro(std::unique_ptr<RegistroUsuario> registro,
                                       FuentePantalla pantalla,
                                       std::unique_ptr<AlmacenPoliticas> politicas)
    : registro_(std::move(registro)),
      pantalla_(std::move(pantalla)),
      politicas_(std::move(politicas)) {}

Hecho TManejadorRegistro::IniciarValoresSiNoExisten() {
    auto abierta = registro_->AbrirEscritura(kClaveAjustes);
    if (!abierta) return Fallo{abierta.motivo()};
    ClaveRegistro& clave = **abierta;
    std::string primerFallo;
    const auto anotar = [&primerFallo](const Hecho& h) {
        if (!h && primerFallo.empty()) primerFallo = h.motivo();
    };
    for (const Ajuste* a : TodosLosAjustes()) {
        // The window's place is computed below, from the screen.
        if (a == &ajuste::Arriba || a == &ajuste::Izquierda) continue;
        if (!clave.ExisteValor(a->clave)) anotar(clave.EscribirTexto(a->clave, a->porDefecto));
    }
    // Centred on the primary screen, from the size stored by now (maybe the user's last size).
    const auto centrar = [&](const char* borde, const char* medida, int pantalla) {
        if (clave.ExisteValor(borde)) return;
        const auto texto = clave.LeerTexto(medida);
        const auto tamano = texto ? TextoAEntero(*texto) : Resultado<int>(Fallo{texto.motivo()});
        if (!tamano) {
            anotar(Fallo{tamano.motivo()});
            return;
        }
        const long long valor = (static_cast<long long>(pantalla) - *tamano) / 2;
        anotar(clave.EscribirTexto(borde, std::to_string(valor < 0 ? 0 : valor)));
    };
    const TamanoPantalla tam = pantalla_ ? pantalla_() : TamanoPantalla{};
    centrar(ajuste::Arriba.clave, ajuste::Alto.clave, tam.alto);
    centrar(ajuste::Izquierda.clave, ajuste::Ancho.clave, tam.ancho);
    anotar(clave.Cerrar());
    if (!primerFallo.empty()) return Falla(primerFallo);
    return {};
}

Resultado<std::string> TManejadorRegistro::LeerValor(const std::string& nombre) {
    auto clave = registro_->AbrirLectura(kClaveAjustes);
    if (!clave) return Fallo{clave.motivo()};
    if (!*clave) return std::string();
    return (*clave)->LeerTexto(nombre);
}

Hecho TManejadorRegistro::EscribirValor(const std::string& nombre, const std::string& valor) {
    return Escribir(kClaveAjustes, nombre, valor);
}

Resultado<std::string> TManejadorRegistro::LeerAlias(const std::string& nombre) {
    // Reading creates the alias key; the common case, where it exists, needs no write lock.
    auto clave = registro_->AbrirLectura(kClaveAlias);
    if (!clave) return Fallo{clave.motivo()};
    if (*clave) return (*clave)->LeerTexto(nombre);
    auto creada = registro_->AbrirEscritura(kClaveAlias);
    if (!creada) return Fallo{creada.motivo()};
    auto texto = (*creada)->LeerTexto(nombre);
    if (auto cerrada = (*creada)->Cerrar(); !cerrada) return Fallo{cerrada.motivo()};
    return texto;
}

Resultado<std::map<std::string, std::string>> TManejadorRegistro::LeerTodosLosAlias() {
    auto clave = registro_->AbrirLectura(kClaveAlias);
    if (!clave) return Fallo{clave.motivo()};
    if (*clave) return (*clave)->LeerTextos();
    auto creada = registro_->AbrirEscritura(kClaveAlias);
    if (!creada) return Fallo{creada.motivo()};
    if (auto cerrada = (*creada)->Cerrar(); !cerrada) return Fallo{cerrada.motivo()};
    return std::map<std::string, std::string>();
}

Hecho TManejadorRegistro::EscribirAlias(const std::string& nombre, const std::string& valor) {
    return Escribir(kClaveAlias, nombre, valor);
}

Hecho TManejadorRegistro::Escribir(const char* ruta, const std::string& nombre,
                                   const std::string& valor) {
    auto clave = registro_->AbrirEscritura(ruta);
    if (!clave) return Fallo{clave.motivo()};
    if (auto escrito = (*clave)->EscribirTexto(nombre, valor); !escrito) return escrito;
    if (auto cerrada = (*clave)->Cerrar(); !cerrada) {
        return Falla(TextoErrorEscritura(nombre) + ": " + cerrada.motivo());
    }
    return {};
}

namespace {

Resultado<bool> EliminarDeTodo(AlmacenPoliticas* politicas, Navegador navegador) {
    if (!politicas) return false;
    bool alguna = false;
    std::string fallo;
    for (LugarRegla lugar : {LugarRegla::Perfil, LugarRegla::PoliticaSistema}) {
        if (lugar == LugarRegla::Perfil && !politicas->AdmitePerfil()) continue;
        if (lugar == LugarRegla::PoliticaSistema && navegador == Navegador::Firefox) continue;
        auto r = politicas->Eliminar(navegador, lugar);
        if (!r) {
            if (fallo.empty()) fallo = r.motivo();
        } else {
            alguna = alguna || *r;
        }
    }
    if (!fallo.empty()) return Falla(fallo);
    return alguna;
}

}  // namespace

Hecho TManejadorRegistro::EscribirCertificado(Navegador navegador, const ReglaCertificado& regla,
                                              LugarRegla lugar) {
    if (!politicas_) return Falla("No hay dónde escribir la política del navegador.");
    return politicas_->Escribir(navegador, lugar, regla);
}

Resultado<bool> TManejadorRegistro::EliminarCertificado(Navegador navegador) {
    return EliminarDeTodo(politicas_.get(), navegador);
}

Resultado<std::unique_ptr<TurnoNavegador>> TManejadorRegistro::ReservarNavegador(
    Navegador navegador) {
    if (!politicas_) return Falla("No hay dónde escribir la política del navegador.");
    return politicas_->Reservar(navegador);
}

Resultado<bool> TManejadorRegistro::EliminarRestos(Navegador navegador) {
    if (!politicas_) return false;
    // Another copy's run keeps its rule: its own end removes it.
    auto turno = politicas_->Reservar(navegador);
    if (!turno) return false;
    return EliminarDeTodo(politicas_.get(), navegador);
}

Resultado<PerfilCertificado> TManejadorRegistro::PrepararPerfilCertificado(
    Navegador navegador, const std::string& id, const ReglaCertificado& regla,
    const std::string& nombre) {
    if (!politicas_) return Falla("No hay dónde escribir la política del navegador.");
    return politicas_->PrepararPerfilCertificado(navegador, id, regla, nombre);
}

std::vector<InfoPerfilCertificado> TManejadorRegistro::PerfilesCertificado(Navegador navegador) {
    return politicas_ ? politicas_->PerfilesCertificado(navegador)
                      : std::vector<InfoPerfilCertificado>();
}

Hecho TManejadorRegistro::BorrarPerfilCertificado(Navegador navegador, const std::string& id) {
    if (!politicas_) return Falla("No hay dónde escribir la política del navegador.");
    return politicas_->BorrarPerfilCertificado(navegador, id);
}

std::vector<LugarRegla> TManejadorRegistro::LugaresRegla() {
    if (!AdmitePerfil()) return {LugarRegla::PoliticaSistema};
    if (ajustes_.Interruptor(ajuste::PoliticaSistema) && PoliticaSistemaPermitida()) {
        return {LugarRegla::Perfil, LugarRegla::PoliticaSistema};
    }
    return {LugarRegla::Perfil};
}

QString MensajeAjustes(const QString& accion, const TManejadorRegistro& registro,
                       const std::string& motivo) {
    return accion + QStringLiteral(" en el archivo de ajustes \"") +
           QString::fromStdString(registro.Ubicacion()) + QStringLiteral("\": ") +
           QString::fromStdString(motivo) + QStringLiteral(".");
}

}  // namespace marlevanta
