#include "core/u_ajustesVentana.h"

#include <algorithm>

namespace marlevanta {

AjustesRejilla AjustesRejilla::Leer(Ajustes& ajustes) {
    AjustesRejilla a;
    const Ajuste* visibilidad[] = {&ajuste::VerEmail, &ajuste::VerEmitidoPor,
                                   &ajuste::VerValidoDesde, &ajuste::VerPropositos};
    for (size_t i = 0; i < a.verColumna.size(); ++i)
        a.verColumna[i] = ajustes.Interruptor(*visibilidad[i]);
    a.tamanoFuente = ajustes.Entero(ajuste::TamanoFuente);
    // A width the user dragged out of reason is its column's default, without a word.
    const QString anchos = QString::fromStdString(ajustes.Texto(ajuste::AnchoColumnas));
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
    if (n < kFuenteMinima || n > kFuenteMaxima) n = kFuentePorDefecto;
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

AjustesVentana AjustesVentana::Leer(Ajustes& ajustes) {
    AjustesVentana a;
    a.maximizada = ajustes.Interruptor(ajuste::Maximizada);
    const auto arriba = ajustes.EnteroSinLimites(ajuste::Arriba);
    const auto izquierda = ajustes.EnteroSinLimites(ajuste::Izquierda);
    const auto ancho = ajustes.EnteroSinLimites(ajuste::Ancho);
    const auto alto = ajustes.EnteroSinLimites(ajuste::Alto);
    if (arriba && izquierda && ancho && alto)
        a.geometria = Geometria{*izquierda, *arriba, *ancho, *alto};
    a.ocultarCaducados = ajustes.Interruptor(ajuste::OcultarCaducados);
    a.soloCliente = ajustes.Interruptor(ajuste::SoloCertificadosCliente);
    a.proximos = ajustes.Interruptor(ajuste::ProximosCaducar);
    // Not a number: the first order; a number out of range: none selected.
    const auto orden = ajustes.EnteroSinLimites(ajuste::ColumnaOrden);
    a.columnaOrden =
        !orden ? 0 : (*orden >= 0 && *orden <= ajuste::ColumnaOrden.maximo ? *orden : -1);
    a.confirmarSalida = ajustes.Interruptor(ajuste::ConfirmarSalida);
    a.rejilla = AjustesRejilla::Leer(ajustes);
    a.problemas = ajustes.ProblemasNuevos();
    return a;
}

Hecho AjustesVentana::Escribir(Ajustes& ajustes,
                               const std::array<bool, kColumnasRejilla>& ocultas) const {
    std::string primerFallo;
    const auto anotar = [&](const Hecho& h) {
        if (!h && primerFallo.empty()) primerFallo = h.motivo();
    };
    anotar(ajustes.Fijar(ajuste::Maximizada, maximizada));
    // Maximised, the last normal geometry stays as it was.
    if (!maximizada) {
        const Geometria g = geometria.value_or(Geometria{});
        anotar(ajustes.Fijar(ajuste::Ancho, g.ancho));
        anotar(ajustes.Fijar(ajuste::Alto, g.alto));
        anotar(ajustes.Fijar(ajuste::Arriba, g.y));
        anotar(ajustes.Fijar(ajuste::Izquierda, g.x));
    }
    anotar(ajustes.Fijar(ajuste::OcultarCaducados, ocultarCaducados));
    anotar(ajustes.Fijar(ajuste::SoloCertificadosCliente, soloCliente));
    anotar(ajustes.Fijar(ajuste::ProximosCaducar, proximos));
    anotar(ajustes.Fijar(ajuste::ColumnaOrden, columnaOrden));
    anotar(ajustes.Fijar(ajuste::TamanoFuente, rejilla.tamanoFuente));
    anotar(ajustes.Fijar(ajuste::AnchoColumnas, TextoAnchos(rejilla.anchos, ocultas)));
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
