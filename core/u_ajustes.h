// Every setting the program keeps, declared once: its key, its type, its default and its bounds.
// Windows read and write settings only through `Ajustes`, so that a value that cannot be read is
// shown as its default everywhere, told to the user once, and never written back unless the
// user chose another.
#pragma once

#include <QStringList>
#include <climits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/plataforma/u_resultado.h"

namespace marlevanta {

class TManejadorRegistro;

enum class TipoAjuste { Interruptor, Entero, Texto };

struct Ajuste {
    const char* clave;
    TipoAjuste tipo;
    // Empty for FormTop and FormLeft, which start-up computes from the screen.
    const char* porDefecto;
    int minimo = INT_MIN;  // Entero only
    int maximo = INT_MAX;
};

namespace ajuste {
// clang-format off
inline constexpr Ajuste AyudaUso{"AyudaUso", TipoAjuste::Texto, "https://www.marlevanta.example/ayuda/uso.php"};
inline constexpr Ajuste AyudaTrucos{"AyudaTrucos", TipoAjuste::Texto, "https://www.marlevanta.example/ayuda/trucos.php"};
inline constexpr Ajuste SoloCertificadosCliente{"PanelSoloCertificadosCliente", TipoAjuste::Interruptor, "1"};
inline constexpr Ajuste OcultarCaducados{"PanelOcultarCertificadosCaducados", TipoAjuste::Interruptor, "1"};
inline constexpr Ajuste ProximosCaducar{"PanelProximosCaducar", TipoAjuste::Interruptor, "0"};
inline constexpr Ajuste ConfirmarSalida{"PanelConfirmarSalida", TipoAjuste::Interruptor, "1"};
inline constexpr Ajuste ComprobarActualizaciones{"PanelComprobarActualizaciones", TipoAjuste::Interruptor, "1"};
inline constexpr Ajuste ApiHost{"ApiHost", TipoAjuste::Texto, "https://api.marlevanta.example"};
inline constexpr Ajuste TamanoFuente{"GridTamanoFuente", TipoAjuste::Entero, "10", 6, 48};
// -1: no order chosen.
inline constexpr Ajuste ColumnaOrden{"GridColumnaOrden", TipoAjuste::Entero, "0", -1, 3};
inline constexpr Ajuste VerEmail{"GridVerEmail", TipoAjuste::Interruptor, "0"};
inline constexpr Ajuste VerEmitidoPor{"GridVerEmitidoPor", TipoAjuste::Interruptor, "0"};
inline constexpr Ajuste VerValidoDesde{"GridVerValidoDesde", TipoAjuste::Interruptor, "0"};
inline constexpr Ajuste VerPropositos{"GridVerPropositos", TipoAjuste::Interruptor, "0"};
// One width per column of the grid, -1 for a hidden one.
inline constexpr Ajuste AnchoColumnas{"GridAnchoColumnas", TipoAjuste::Texto, "50,400,200,120,250,300,120,350"};
inline constexpr Ajuste Maximizada{"FormMaximized", TipoAjuste::Interruptor, "0"};
inline constexpr Ajuste Alto{"FormHeight", TipoAjuste::Entero, "540"};
inline constexpr Ajuste Ancho{"FormWidth", TipoAjuste::Entero, "900"};
inline constexpr Ajuste Arriba{"FormTop", TipoAjuste::Entero, ""};
inline constexpr Ajuste Izquierda{"FormLeft", TipoAjuste::Entero, ""};
inline constexpr Ajuste PoliticaSistema{"NavegadorPoliticaSistema", TipoAjuste::Interruptor, "0"};
// Each certificate's browser on a profile of its own, several at once.
inline constexpr Ajuste PerfilPorCertificado{"NavegadorPerfilPorCertificado", TipoAjuste::Interruptor, "0"};
// How many days before its expiry a certificate is named by `--caducan` and the notices.
inline constexpr Ajuste AvisoCaducidadDias{"AvisoCaducidadDias", TipoAjuste::Entero, "30", 1, 365};
// Desktop notices of certificates that expire soon; the day of the last one shown (yyyy-mm-dd) and
// the SHA-1 thumbprints of the expired ones a notice has named, so neither is told twice.
inline constexpr Ajuste AvisosCaducidad{"AvisosCaducidad", TipoAjuste::Interruptor, "1"};
inline constexpr Ajuste AvisoCaducidadUltimo{"AvisoCaducidadUltimo", TipoAjuste::Texto, ""};
inline constexpr Ajuste AvisoCaducidadCaducados{"AvisoCaducidadCaducados", TipoAjuste::Texto, ""};
// clang-format on
}  // namespace ajuste

// Every setting, in the order start-up creates them.
const std::vector<const Ajuste*>& TodosLosAjustes();
// The font size's bounds and default, for the fields that show it.
inline constexpr int kFuenteMinima = ajuste::TamanoFuente.minimo;
inline constexpr int kFuenteMaxima = ajuste::TamanoFuente.maximo;
constexpr int EnteroDeTexto(const char* t) {
    const bool negativo = *t == '-';
    int v = 0;
    for (t += negativo ? 1 : 0; *t; ++t) v = v * 10 + (*t - '0');
    return negativo ? -v : v;
}
inline constexpr int kFuentePorDefecto = EnteroDeTexto(ajuste::TamanoFuente.porDefecto);

class Ajustes {
public:
    explicit Ajustes(TManejadorRegistro& registro) : registro_(registro) {}

    // Each gives the stored value, or the default when it is missing, cannot be read, is not of
    // the setting's type or lies outside its bounds; all but a missing one are noted as a problem.
    bool Interruptor(const Ajuste& a);
    int Entero(const Ajuste& a);
    std::string Texto(const Ajuste& a);
    // The stored number as it is, bounds not applied; nothing when it is not a number.
    std::optional<int> EnteroSinLimites(const Ajuste& a);
    // True when the last read of `a` gave what is stored (not a default standing in for a problem).
    bool Leido(const Ajuste& a) const { return !problemas_.count(a.clave); }

    // A value of the wrong type or outside its bounds is refused and nothing is written.
    [[nodiscard]] Hecho Fijar(const Ajuste& a, bool valor);
    [[nodiscard]] Hecho Fijar(const Ajuste& a, int valor);
    [[nodiscard]] Hecho Fijar(const Ajuste& a, const std::string& valor);

    // "Clave: motivo" for each problem not handed out before; each is handed out once a run.
    QStringList ProblemasNuevos();
    // The problem of one setting, if it has one not handed out before; it counts as told.
    std::optional<std::string> ProblemaNuevo(const Ajuste& a);

private:
    std::optional<std::string> Leer(const Ajuste& a);
    void Anotar(const Ajuste& a, const std::string& motivo);
    Hecho Escribir(const Ajuste& a, const std::string& texto);

    TManejadorRegistro& registro_;
    std::map<std::string, std::string> problemas_;
    std::set<std::string> avisados_;
};

// StrToInt's rule: optional sign and decimal digits, surrounding blanks allowed.
Resultado<int> TextoAEntero(const std::string& texto);

}  // namespace marlevanta
