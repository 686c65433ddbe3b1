// Where the main window opens, whatever the settings file holds.
#include <gtest/gtest.h>

#include <climits>

#include "core/u_ajustesVentana.h"

using namespace marlevanta;

namespace {

constexpr TamanoPantalla kPortatil{1366, 740};
constexpr int kAnchoMinimo = 950;
constexpr int kAltoMinimo = 670;

// All of the window, with a title bar of up to 30 pixels above it, lies on the screen.
testing::AssertionResult Entera(const Geometria& g, TamanoPantalla p) {
    if (g.x >= 0 && g.y >= 0 && g.x + g.ancho <= p.ancho && g.y + g.alto + 30 <= p.alto) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << g.x << "," << g.y << " " << g.ancho << "x" << g.alto;
}

}  // namespace

TEST(Colocacion, SinValoresGuardadosCentradaYNuncaMenorQueElMinimo) {
    const Geometria g = Colocacion(std::nullopt, {1920, 1040}, 600, 400);
    EXPECT_EQ(g.ancho, 900);
    EXPECT_EQ(g.alto, 540);
    EXPECT_EQ(g.x, (1920 - 900) / 2);
    EXPECT_EQ(g.y, (1040 - 540) / 2);
    const Geometria m = Colocacion(std::nullopt, kPortatil, kAnchoMinimo, kAltoMinimo);
    EXPECT_EQ(m.ancho, kAnchoMinimo);
    EXPECT_EQ(m.alto, kAltoMinimo);
}

TEST(Colocacion, ValoresAbsurdosQuedanDentroDeLaPantalla) {
    for (const Geometria& guardada :
         {Geometria{0, 0, 1000000000, 1000000000}, Geometria{10, 10, 40000, 40000},
          Geometria{0, 0, INT_MAX, INT_MAX}}) {
        const Geometria g = Colocacion(guardada, kPortatil, kAnchoMinimo, kAltoMinimo);
        EXPECT_LE(g.ancho, kPortatil.ancho);
        EXPECT_LE(g.alto, kPortatil.alto);
        EXPECT_GE(g.ancho, kAnchoMinimo);
    }
    // The extremes of an int, which the centring of a missing edge once overflowed.
    const Geometria g = Colocacion(Geometria{INT_MIN, INT_MAX, INT_MIN, INT_MIN}, kPortatil,
                                   kAnchoMinimo, kAltoMinimo);
    EXPECT_EQ(g.ancho, kAnchoMinimo);
    EXPECT_EQ(g.alto, kAltoMinimo);
    EXPECT_LE(g.y, kPortatil.alto);
}

TEST(Colocacion, LaQueSePasaDelBordeVuelveEntera) {
    // Centred for the default 900 x 540 on a 1280 x 800 screen, then grown to its minimum: its
    // bottom edge ran 40 pixels off the screen.
    const TamanoPantalla pantalla{1280, 800};
    const Geometria g =
        Colocacion(Geometria{190, 130, 900, 540}, pantalla, kAnchoMinimo, kAltoMinimo);
    EXPECT_TRUE(Entera(g, pantalla));
    EXPECT_EQ(g.x, 190);
    // Stored on a larger screen, near its bottom right corner.
    EXPECT_TRUE(
        Entera(Colocacion(Geometria{1800, 900, 1000, 700}, pantalla, kAnchoMinimo, kAltoMinimo),
               pantalla));
    // Where it fits it stays exactly where it was left.
    const Geometria quieta =
        Colocacion(Geometria{20, 40, 1000, 700}, {1920, 1040}, kAnchoMinimo, kAltoMinimo);
    EXPECT_EQ(quieta.x, 20);
    EXPECT_EQ(quieta.y, 40);
    // Left of or above the screen (another monitor there) is left alone.
    const Geometria otra =
        Colocacion(Geometria{-1500, -200, 1000, 700}, pantalla, kAnchoMinimo, kAltoMinimo);
    EXPECT_EQ(otra.x, -1500);
    EXPECT_EQ(otra.y, -200);
}
