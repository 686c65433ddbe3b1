// The main window's settings as typed values: read once when the window is made, written once
// when it closes.
#pragma once

#include <QStringList>
#include <array>
#include <optional>

#include "core/plataforma/u_resultado.h"
#include "core/u_ajustes.h"
#include "core/u_manejadorRegistro.h"

namespace marlevanta {

inline constexpr int kColumnasRejilla = 8;
inline constexpr std::array<int, kColumnasRejilla> kAnchosPorDefecto = {50,  400, 200, 120,
                                                                        250, 300, 120, 350};

// The grid's settings, read again whenever the options window may have changed them.
struct AjustesRejilla {
    int tamanoFuente = kFuentePorDefecto;
    // Email, Emitido por, Válido desde, Propósitos planteados (columns 4 to 7).
    std::array<bool, 4> verColumna = {false, false, false, false};
    std::array<int, kColumnasRejilla> anchos = kAnchosPorDefecto;

    static AjustesRejilla Leer(Ajustes& ajustes);
};

// Widths for a cell font of n points: each default width scaled by n / 10.
std::array<int, kColumnasRejilla> AnchosParaFuente(int n);
// GridAnchoColumnas: one width per column, -1 for a hidden one.
std::string TextoAnchos(const std::array<int, kColumnasRejilla>& anchos,
                        const std::array<bool, kColumnasRejilla>& ocultas);

struct Geometria {
    int x = 0;
    int y = 0;
    int ancho = 0;
    int alto = 0;
};

struct AjustesVentana {
    bool maximizada = false;
    std::optional<Geometria> geometria;  // missing when a value could not be read
    bool ocultarCaducados = true;
    bool soloCliente = true;
    bool proximos = false;
    int columnaOrden = 0;  // -1 for none
    bool confirmarSalida = true;
    AjustesRejilla rejilla;
    QStringList problemas;  // those not told before, "Clave: motivo"

    static AjustesVentana Leer(Ajustes& ajustes);

    // What the window leaves at its close: its geometry (unless maximised, when the last normal
    // one stays as it was), the switches, the order, the font size and the widths. Every value
    // is tried; the failure names the first that could not be written.
    [[nodiscard]] Hecho Escribir(Ajustes& ajustes,
                                 const std::array<bool, kColumnasRejilla>& ocultas) const;
};

// Where the window opens in its normal state: the stored edges and size, no smaller than the
// minimum and no larger than the screen, moved back when an edge lies past the screen.
// Without stored values, centred. Wide arithmetic: absurd values cannot overflow.
Geometria Colocacion(const std::optional<Geometria>& guardada, TamanoPantalla pantalla,
                     int anchoMinimo, int altoMinimo);

}  // namespace marlevanta
