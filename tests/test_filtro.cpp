#include <gtest/gtest.h>

#include "resultado_prueba.h"

#include "core/u_expresionFiltro.h"
#include "tabla_prueba.h"

using namespace marlevanta;
using prueba::Agregar;
using prueba::Vista;

namespace {

class Filtro : public testing::Test {
protected:
    void SetUp() override {
        t.Open();
        Agregar(t, {"ANA GARCÍA", "", "ana@correo.example", {2023, 3, 7}});
        Agregar(t, {"JUAN PÉREZ", "Banana SL", "", {2023, 3, 6}});
        Agregar(t, {"MARIANA NÚÑEZ", "", "", {2024, 1, 1}, "emailProtection"});
        Agregar(t, {"LUIS O'BRIEN", "", "luis@correo.example", {2023, 12, 31}, "", 1});
        Agregar(t, {"", "", "", {}, ""});
        Agregar(t, {"LUCÍA ÁNADÓN", "", "", {2023, 3, 8}, "CLIENTAUTH", 1});
        t.SetFiltered(true);
    }
    QStringList Con(const QString& expresion) {
        const auto h = t.SetFilter(expresion);
        EXPECT_TRUE(h) << h.motivo();
        return Vista(t);
    }
    TTablaCertificados t;
};

}  // namespace

TEST_F(Filtro, LaExpresionDeEjemploSeleccionaLoQueDice) {
    const EstadoFiltro e =
        ConstruirFiltro(QStringLiteral("  ana "), true, true, true, {2023, 3, 7});
    EXPECT_EQ(e.expresion,
              "(emitido_para like '%ana%' or  email like '%ana%' or  alias like '%ana%') and "
              "proximo_a_caducar = 1  and fecha_caducidad >= '07/03/2023' and propositos like "
              "'%clientAuth%'");
    EXPECT_EQ(Con(e.expresion), QStringList{"LUCÍA ÁNADÓN"});  // "Á" counts as "a"
    EXPECT_EQ(Con(ConstruirFiltro("ana", false, false, false, {}).expresion),
              (QStringList{"ANA GARCÍA", "JUAN PÉREZ", "MARIANA NÚÑEZ", "LUCÍA ÁNADÓN"}));
}

TEST_F(Filtro, TablaDeEstados) {
    const QDate hoy(2023, 3, 7);
    const QString S = "(emitido_para like '%x%' or  email like '%x%' or  alias like '%x%')";
    const QString P = "proximo_a_caducar = 1 ";
    const QString C = "fecha_caducidad >= '07/03/2023'";
    const QString U = "propositos like '%clientAuth%'";
    struct Caso {
        const char* texto;
        bool p, c, u;
        QString esperado;
    };
    const Caso casos[] = {
        {"", false, false, false, ""},
        {"", false, false, true, U},
        {"", false, true, false, C},
        {"", false, true, true, C + " and " + U},
        {"", true, true, false, P + " and " + C},
        {"", true, true, true, P + " and " + C + " and " + U},
        {"x", false, false, false, S},
        {"x", false, false, true, S + " and " + U},
        {"x", false, true, false, S + " and " + C},
        {"x", false, true, true, S + " and " + C + " and " + U},
        {"x", true, true, false, S + " and " + P + " and " + C},
        {"x", true, true, true, S + " and " + P + " and " + C + " and " + U},
        {"   ", false, false, false, ""},
        {"", true, false, false, P},  // not reachable from the window, still well formed
    };
    for (const Caso& c : casos) {
        const EstadoFiltro e = ConstruirFiltro(QString::fromUtf8(c.texto), c.p, c.c, c.u, hoy);
        EXPECT_EQ(e.expresion, c.esperado) << c.texto << c.p << c.c << c.u;
        EXPECT_EQ(e.filtrado, !c.esperado.isEmpty());
        EXPECT_TRUE(ExpresionFiltro::Compilar(e.expresion)) << e.expresion.toStdString();
    }
}

TEST_F(Filtro, LikeIgnoraMayusculasYAcentosYUnCampoVacioNoCoincide) {
    EXPECT_EQ(Con("emitido_para like 'lucia%'"), QStringList{"LUCÍA ÁNADÓN"});
    EXPECT_EQ(Con("emitido_para like '%anadon'"), QStringList{"LUCÍA ÁNADÓN"});
    EXPECT_EQ(Con("emitido_para like '%ÑÚÑ%'"), QStringList{"MARIANA NÚÑEZ"});
    EXPECT_EQ(Con("emitido_para like 'juan pérez'"), QStringList{"JUAN PÉREZ"});
    EXPECT_EQ(Con("emitido_para like 'juan'"), QStringList{});  // no wildcard: whole text
    EXPECT_EQ(Con("emitido_para like 'a%a%z'"), QStringList{});
    EXPECT_EQ(Con("emitido_para like 'm%a%z'"), QStringList{"MARIANA NÚÑEZ"});
    EXPECT_EQ(Con("emitido_para like 'ana%ana'"), QStringList{});  // pieces may not overlap
    EXPECT_EQ(Con("emitido_para like '%'").size(), 5);  // the empty subject matches nothing
    EXPECT_EQ(Con("emitido_para like 'luis o_brien'"), QStringList{});  // "_" is a plain character
    EXPECT_EQ(Con("propositos like '%clientauth%'"),
              (QStringList{"ANA GARCÍA", "JUAN PÉREZ", "LUCÍA ÁNADÓN"}));
}

TEST_F(Filtro, FechasSeComparanComoFechas) {
    EXPECT_EQ(Con("fecha_caducidad >= '07/03/2023'"),
              (QStringList{"ANA GARCÍA", "MARIANA NÚÑEZ", "LUIS O'BRIEN", "LUCÍA ÁNADÓN"}));
    // As text "01/01/2024" would sort before "31/12/2023".
    EXPECT_EQ(Con("fecha_caducidad >= '31/12/2023'"),
              (QStringList{"MARIANA NÚÑEZ", "LUIS O'BRIEN"}));
    EXPECT_EQ(Con("fecha_caducidad >= '1/1/2024'"), QStringList{"MARIANA NÚÑEZ"});
    EXPECT_EQ(Con("fecha_caducidad = '06/03/2023' OR (proximo_a_caducar=1 AND NOT email like '%')"),
              (QStringList{"JUAN PÉREZ", "LUCÍA ÁNADÓN"}));
}

TEST_F(Filtro, UnaComillaEnLaBusquedaNiRompeNiEnsanchaElFiltro) {
    const EstadoFiltro e = ConstruirFiltro("o'brien", false, false, false, {});
    EXPECT_EQ(Con(e.expresion), QStringList{"LUIS O'BRIEN"});
    EXPECT_EQ(Con(ConstruirFiltro("'", false, false, false, {}).expresion),
              QStringList{"LUIS O'BRIEN"});
    EXPECT_EQ(Con(ConstruirFiltro("x' or emitido_para like '%", false, false, false, {}).expresion),
              QStringList{});
}

TEST_F(Filtro, UnaExpresionMalFormadaEsUnErrorClaroYElFiltroAnteriorSigue) {
    ASSERT_TRUE(t.SetFilter("emitido_para like 'juan%'"));
    const char* malas[] = {
        "(",
        "emitido_para like",
        "emitido_para like 'abc",
        "emitido_para like 'a' or",
        "emitido_para like 'a')",
        "(emitido_para like 'a'",
        "nombre like 'a'",
        "emitido_para = 1",
        "emitido_para ~ 'a'",
        "emitido_para == 'a'",
        "proximo_a_caducar like '1'",
        "proximo_a_caducar = 'uno'",
        "fecha_caducidad >= '32/01/2023'",
        "fecha_caducidad >= '2023-01-05'",
        "fecha_caducidad >= 5",
        "emitido_para like 'a' email like 'b'",
        "and",
        "emitido_para like 'a' # 1",
    };
    for (const char* mala : malas) {
        const auto h = t.SetFilter(QString::fromUtf8(mala));
        EXPECT_FALSE(h) << "accepted: " << mala;
        EXPECT_NE(h.motivo().find("Expresión de filtro no válida (posición "), std::string::npos)
            << h.motivo();
        EXPECT_EQ(t.Filter(), "emitido_para like 'juan%'");
        EXPECT_EQ(Vista(t), QStringList{"JUAN PÉREZ"}) << mala;
    }
    EXPECT_EQ(Con("   ").size(), 6);  // blanks alone select every row
}

TEST_F(Filtro, LaProfundidadTieneUnLimiteConUnErrorClaro) {
    // Deep nesting would run the parser out of stack; it is refused before that.
    const QString hondo = QString(65, u'(') + "alias like 'a'" + QString(65, u')');
    const auto h = ExpresionFiltro::Compilar(hondo);
    EXPECT_FALSE(h);
    EXPECT_NE(h.motivo().find("niveles anidados"), std::string::npos) << h.motivo();
    QString nots;
    for (int i = 0; i < 100000; ++i) nots += "not ";
    EXPECT_FALSE(ExpresionFiltro::Compilar(nots + "alias like 'a'"));
    // Sixty-four levels still work.
    EXPECT_TRUE(
        ExpresionFiltro::Compilar(QString(64, u'(') + "alias like 'a'" + QString(64, u')')));
}
