#include "core/u_ajustes.h"

#include <cerrno>
#include <cstdlib>

#include "core/u_manejadorRegistro.h"

namespace marlevanta {

const std::vector<const Ajuste*>& TodosLosAjustes() {
    using namespace ajuste;
    static const std::vector<const Ajuste*> todos = {
        &AyudaUso,
        &AyudaTrucos,
        &SoloCertificadosCliente,
        &OcultarCaducados,
        &ProximosCaducar,
        &ConfirmarSalida,
        &ComprobarActualizaciones,
        &ApiHost,
        &TamanoFuente,
        &ColumnaOrden,
        &VerEmail,
        &VerEmitidoPor,
        &VerValidoDesde,
        &VerPropositos,
        &AnchoColumnas,
        &Maximizada,
        &Alto,
        &Ancho,
        &Arriba,
        &Izquierda,
        &PoliticaSistema,
        &PerfilPorCertificado,
        &AvisoCaducidadDias,
        &AvisosCaducidad,
        &AvisoCaducidadUltimo,
        &AvisoCaducidadCaducados,
    };
    return todos;
}

Resultado<int> TextoAEntero(const std::string& texto) {
    // Appended rather than "\"" + texto: GCC 12 at -O3 warns of an overlapping copy that cannot
    // happen (-Wrestrict, a false positive of its own).
    const auto error = [&] {
        return Falla(std::string("\"").append(texto).append("\" no es un número entero"));
    };
    size_t i = 0;
    while (i < texto.size() && texto[i] == ' ') ++i;
    size_t fin = texto.size();
    while (fin > i && texto[fin - 1] == ' ') --fin;
    std::string cuerpo = texto.substr(i, fin - i);
    size_t digitos = (!cuerpo.empty() && (cuerpo[0] == '-' || cuerpo[0] == '+')) ? 1 : 0;
    if (digitos == cuerpo.size()) return error();
    for (size_t k = digitos; k < cuerpo.size(); ++k) {
        if (cuerpo[k] < '0' || cuerpo[k] > '9') return error();
    }
    errno = 0;
    const long long v = std::strtoll(cuerpo.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return error();
    return static_cast<int>(v);
}

namespace {

int EnteroPorDefecto(const Ajuste& a) {
    return EnteroDeTexto(a.porDefecto);
}

std::string Limites(const Ajuste& a) {
    return "debe estar entre " + std::to_string(a.minimo) + " y " + std::to_string(a.maximo);
}

}  // namespace

std::optional<std::string> Ajustes::Leer(const Ajuste& a) {
    problemas_.erase(a.clave);
    auto v = registro_.LeerValor(a.clave);
    if (!v) {
        Anotar(a, v.motivo());
        return std::nullopt;
    }
    // Missing (a store older than the setting): the default, without a word.
    if (v->empty()) return std::nullopt;
    return *v;
}

void Ajustes::Anotar(const Ajuste& a, const std::string& motivo) {
    problemas_[a.clave] = motivo;
}

bool Ajustes::Interruptor(const Ajuste& a) {
    const bool porDefecto = std::string(a.porDefecto) == "1";
    const auto t = Leer(a);
    if (!t) return porDefecto;
    if (*t == "1") return true;
    if (*t == "0") return false;
    Anotar(a, std::string("\"").append(*t).append("\" no es 1 ni 0"));
    return porDefecto;
}

std::optional<int> Ajustes::EnteroSinLimites(const Ajuste& a) {
    const auto t = Leer(a);
    if (!t) return std::nullopt;
    auto n = TextoAEntero(*t);
    if (!n) {
        Anotar(a, n.motivo());
        return std::nullopt;
    }
    return *n;
}

int Ajustes::Entero(const Ajuste& a) {
    const auto n = EnteroSinLimites(a);
    if (!n) return EnteroPorDefecto(a);
    if (*n < a.minimo || *n > a.maximo) {
        Anotar(a, std::to_string(*n) + " " + Limites(a));
        return EnteroPorDefecto(a);
    }
    return *n;
}

std::string Ajustes::Texto(const Ajuste& a) {
    return Leer(a).value_or(a.porDefecto);
}

Hecho Ajustes::Escribir(const Ajuste& a, const std::string& texto) {
    auto h = registro_.EscribirValor(a.clave, texto);
    // What is stored now is the user's choice: an earlier problem no longer stands.
    if (h) problemas_.erase(a.clave);
    return h;
}

Hecho Ajustes::Fijar(const Ajuste& a, bool valor) {
    if (a.tipo != TipoAjuste::Interruptor) {
        return Falla(std::string(a.clave) + " no es un interruptor.");
    }
    return Escribir(a, valor ? "1" : "0");
}

Hecho Ajustes::Fijar(const Ajuste& a, int valor) {
    if (a.tipo != TipoAjuste::Entero) return Falla(std::string(a.clave) + " no es un número.");
    if (valor < a.minimo || valor > a.maximo) {
        return Falla(std::string(a.clave) + ": " + std::to_string(valor) + " " + Limites(a));
    }
    return Escribir(a, std::to_string(valor));
}

Hecho Ajustes::Fijar(const Ajuste& a, const std::string& valor) {
    switch (a.tipo) {
        case TipoAjuste::Interruptor:
            if (valor != "1" && valor != "0") {
                return Falla(std::string(a.clave) + ": \"" + valor + "\" no es 1 ni 0");
            }
            return Escribir(a, valor);
        case TipoAjuste::Entero: {
            auto n = TextoAEntero(valor);
            if (!n) return Falla(std::string(a.clave) + ": " + n.motivo());
            return Fijar(a, *n);
        }
        case TipoAjuste::Texto:
            break;
    }
    return Escribir(a, valor);
}

QStringList Ajustes::ProblemasNuevos() {
    QStringList r;
    for (const auto& [clave, motivo] : problemas_) {
        if (!avisados_.insert(clave).second) continue;
        r << QString::fromStdString(clave) + QStringLiteral(": ") + QString::fromStdString(motivo);
    }
    return r;
}

std::optional<std::string> Ajustes::ProblemaNuevo(const Ajuste& a) {
    const auto p = problemas_.find(a.clave);
    if (p == problemas_.end() || !avisados_.insert(a.clave).second) return std::nullopt;
    return p->second;
}

}  // namespace marlevanta
