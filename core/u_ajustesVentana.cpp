#include "core/u_ajustesVentana.h"

#include <algorithm>

namespace marlevanta {

namespace {

class Lector {
public:
    Lector(TManejadorRegistro& registro, QStringList& problemas)
        : registro_(registro), problemas_(problemas) {}

    std::optional<std::string> Texto(const char* nombre) {
        auto v = registro_.LeerValor(nombre);
        if (v) return *v;
        Anotar(nombre, v.motivo());
        return std::nullopt;
    }
    // A switch that cannot be read takes the value a new settings file starts with.
    bool Interruptor(const char* nombre) {
        auto t = Texto(nombre);
        if (t) return *t == "1";
        for (const auto& v : ValoresPorDefecto()) {
            if (v.nombre == nombre) return v.valor == "1";
        }
        return false;
    }
    std::optional<int> Entero(const char* nombre) {
        auto t = Texto(nombre);
        if (!t) return std::nullopt;
        auto n = TextoAEntero(*t);
        if (!n) {
            Anotar(nombre, n.motivo());
            return std::nullopt;
        }
        return *n;
    }

private:
    void Anotar(const char* nombre, const std::string& motivo) {
        problemas_ << QString::fromLatin1(nombre) + QStringLiteral(": ") +
                          QString::fromStdString(motivo);
    }

    TManejadorRegistro& registro_;
    QStringList& problemas_;
};

const char* kVisibilidad[] = {"GridVerEmail", "GridVerEmitidoPor", "GridVerValidoDesde",
                              "GridVerPropositos"};

}  // namespace

AjustesRejilla AjustesRejilla::Leer(TManejadorRegistro& registro, QStringList& problemas) {
    Lector l(registro, problemas);
    AjustesRejilla a;
    for (size_t i = 0; i < a.verColumna.size(); ++i)
        a.verColumna[i] = l.Interruptor(kVisibilidad[i]);
    // A size that is not a number, or out of range, is the default without a word: the user
    // may have typed anything in the options window.
    auto texto = registro.LeerValor("GridTamanoFuente");
    auto n = texto ? TextoAEntero(*texto) : Resultado<int>(Fallo{texto.motivo()});
    a.tamanoFuente = (n && *n >= 6 && *n <= 48) ? *n : 10;
    const QString anchos = QString::fromStdString(l.Texto("GridAnchoColumnas").value_or(""));
    const QStringList items = anchos.isEmpty() ? QStringList() : anchos.split(u',');
    for (int i = 0; i < kColumnasRejilla; ++i) {
        int w = kAnchosPorDefecto[static_cast<size_t>(i)];
        if (i < items.size()) {
            auto v = TextoAEntero(items[i].toStdString());
            if (v && *v >= 20 && *v <= 1000) w = *v;
        }
        a.anchos[static_cast<size_t>(i)] = w;
    }
    return a;
}

std::array<int, kColumnasRejilla> AnchosParaFuente(int n) {
    if (n < 6 || n > 48) n = 10;
    std::array<int, kColumnasRejilla> r{};
    for (size_t i = 0; i < r.size(); ++i) r[i] = n * (kAnchosPorDefecto[i] / 10);
    return r;
}

std::string TextoAnchos(const std::array<int, kColumnasRejilla>& anchos,
                        const std::array<bool, kColumnasRejilla>& ocultas) {
    std::string t;
    for (size_t i = 0; i < anchos.size(); ++i) {
        if (i) t += ',';
        t += std::to_string(ocultas[i] ? -1 : anchos[i]);
    }
    return t;
}

AjustesVentana AjustesVentana::Leer(TManejadorRegistro& registro) {
    AjustesVentana a;
    Lector l(registro, a.problemas);
    a.maximizada = l.Interruptor("FormMaximized");
    const auto arriba = l.Entero("FormTop");
    const auto izquierda = l.Entero("FormLeft");
    const auto ancho = l.Entero("FormWidth");
    const auto alto = l.Entero("FormHeight");
    if (arriba && izquierda && ancho && alto)
        a.geometria = Geometria{*izquierda, *arriba, *ancho, *alto};
    a.ocultarCaducados = l.Interruptor("PanelOcultarCertificadosCaducados");
    a.soloCliente = l.Interruptor("PanelSoloCertificadosCliente");
    a.proximos = l.Interruptor("PanelProximosCaducar");
    // Not a number: the first order; a number out of range: none selected.
    auto orden = registro.LeerValor("GridColumnaOrden");
    auto numero = orden ? TextoAEntero(*orden) : Resultado<int>(Falla(""));
    a.columnaOrden = !numero ? 0 : (*numero >= 0 && *numero < 4 ? *numero : -1);
    const qsizetype antes = a.problemas.size();
    a.confirmarSalida = l.Interruptor("PanelConfirmarSalida");
    a.confirmarSalidaLeida = a.problemas.size() == antes;
    a.rejilla = AjustesRejilla::Leer(registro, a.problemas);
    return a;
}

Hecho AjustesVentana::Escribir(TManejadorRegistro& registro,
                               const std::array<bool, kColumnasRejilla>& ocultas) const {
    std::string primerFallo;
    const auto escribir = [&](const char* nombre, const std::string& valor) {
        if (auto h = registro.EscribirValor(nombre, valor); !h && primerFallo.empty()) {
            primerFallo = h.motivo();
        }
    };
    const auto interruptor = [](bool v) { return std::string(v ? "1" : "0"); };
    if (maximizada) {
        escribir("FormMaximized", "1");
    } else {
        const Geometria g = geometria.value_or(Geometria{});
        escribir("FormMaximized", "0");
        escribir("FormWidth", std::to_string(g.ancho));
        escribir("FormHeight", std::to_string(g.alto));
        escribir("FormTop", std::to_string(g.y));
        escribir("FormLeft", std::to_string(g.x));
    }
    escribir("PanelOcultarCertificadosCaducados", interruptor(ocultarCaducados));
    escribir("PanelSoloCertificadosCliente", interruptor(soloCliente));
    escribir("PanelProximosCaducar", interruptor(proximos));
    escribir("GridColumnaOrden", std::to_string(columnaOrden));
    escribir("GridTamanoFuente", std::to_string(rejilla.tamanoFuente));
    escribir("GridAnchoColumnas", TextoAnchos(rejilla.anchos, ocultas));
    if (!primerFallo.empty()) return Falla(primerFallo);
    return {};
}

Geometria Colocacion(const std::optional<Geometria>& guardada, TamanoPantalla pantalla,
                     int anchoMinimo, int altoMinimo) {
    const bool hayPantalla = pantalla.ancho > 0 && pantalla.alto > 0;
    const auto limitar = [&](long long v, int minimo, int maximo) {
        v = std::max<long long>(v, minimo);
        if (hayPantalla) v = std::min<long long>(v, std::max(minimo, maximo));
        return static_cast<int>(v);
    };
    if (!guardada) {
        Geometria g;
        g.ancho = limitar(900, anchoMinimo, pantalla.ancho);
        g.alto = limitar(540, altoMinimo, pantalla.alto);
        g.x =
            static_cast<int>(std::max(0LL, (static_cast<long long>(pantalla.ancho) - g.ancho) / 2));
        g.y = static_cast<int>(std::max(0LL, (static_cast<long long>(pantalla.alto) - g.alto) / 2));
        return g;
    }
    Geometria g;
    g.ancho = limitar(guardada->ancho, anchoMinimo, pantalla.ancho);
    g.alto = limitar(guardada->alto, altoMinimo, pantalla.alto);
    long long arriba = guardada->y;
    long long izquierda = guardada->x;
    if (arriba > pantalla.alto) arriba = static_cast<long long>(pantalla.alto) - g.alto - 20;
    if (izquierda > pantalla.ancho) izquierda = static_cast<long long>(pantalla.ancho) - g.ancho;
    // A window that starts on the screen but runs past its far edge (grown to its minimum, or
    // stored on a larger screen) is moved back so that all of it shows, title bar included.
    constexpr long long kMarco = 20;
    if (hayPantalla && arriba >= 0 && arriba + g.alto + kMarco > pantalla.alto) {
        arriba = std::max(0LL, static_cast<long long>(pantalla.alto) - g.alto - kMarco);
    }
    if (hayPantalla && izquierda >= 0 && izquierda + g.ancho > pantalla.ancho) {
        izquierda = std::max(0LL, static_cast<long long>(pantalla.ancho) - g.ancho);
    }
    // Far off to the left or above is kept (another screen), but not beyond any real screen.
    constexpr long long kLejos = 1 << 20;
    g.y = static_cast<int>(std::clamp(arriba, -kLejos, kLejos));
    g.x = static_cast<int>(std::clamp(izquierda, -kLejos, kLejos));
    return g;
}

}  // namespace marlevanta
