#include <gtest/gtest.h>

#include "resultado_prueba.h"

#include "core/u_cargaCertificados.h"
#include "core/u_expresionFiltro.h"
#include "tabla_prueba.h"

using namespace marlevanta;
using prueba::Llenar;
using prueba::Vista;

namespace {

const QDateTime kMarzo7(QDate(2023, 3, 7), QTime(10, 0));

class Filtro : public testing::Test {
protected:
    void SetUp() override {
        t.Open();
        Llenar(t, {{"ANA GARCÍA", "", "ana@correo.example", {2023, 3, 7}},
                   {"JUAN PÉREZ", "Banana SL", "", {2023, 3, 6}},
                   {"MARIANA NÚÑEZ", "", "", {2024, 1, 1}, "emailProtection"},
                   {"LUIS O'BRIEN", "", "luis@correo.example", {2023, 12, 31}, "", 1},
                   {"", "", "", {}, ""},
                   {"LUCÍA ÁNADÓN", "", "", {2023, 3, 8}, "CLIENTAUTH", 1}});
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
    const EstadoFiltro e = ConstruirFiltro(QStringLiteral("  ana "), true, true, true, kMarzo7);
    EXPECT_EQ(e.expresion,
              "(emitido_para like '%ana%' or  email like '%ana%' or  alias like '%ana%') and "
              "(ilegible = 1 or (proximo_a_caducar = 1  and not fecha_caducidad < '08/03/2023' "
              "and propositos like '%clientAuth%'))");
    EXPECT_EQ(Con(e.expresion), QStringList{"LUCÍA ÁNADÓN"});  // "Á" counts as "a"
    EXPECT_EQ(Con(ConstruirFiltro("ana", false, false, false, {}).expresion),
              (QStringList{"ANA GARCÍA", "JUAN PÉREZ", "MARIANA NÚÑEZ", "LUCÍA ÁNADÓN"}));
}

TEST_F(Filtro, TablaDeEstados) {
    const QString S = "(emitido_para like '%x%' or  email like '%x%' or  alias like '%x%')";
    const QString P = "proximo_a_caducar = 1 ";
    const QString C = "not fecha_caducidad < '08/03/2023'";
    const QString U = "propositos like '%clientAuth%'";
    const auto I = [](const QString& interruptores) {
        return "(ilegible = 1 or (" + interruptores + "))";
    };
    struct Caso {
        const char* texto;
        bool p, c, u;
        QString esperado;
    };
    const Caso casos[] = {
        {"", false, false, false, ""},
        {"", false, false, true, I(U)},
        {"", false, true, false, I(C)},
        {"", false, true, true, I(C + " and " + U)},
        {"", true, true, false, I(P + " and " + C)},
        {"", true, true, true, I(P + " and " + C + " and " + U)},
        {"x", false, false, false, S},
        {"x", false, false, true, S + " and " + I(U)},
        {"x", false, true, false, S + " and " + I(C)},
        {"x", false, true, true, S + " and " + I(C + " and " + U)},
        {"x", true, true, false, S + " and " + I(P + " and " + C)},
        {"x", true, true, true, S + " and " + I(P + " and " + C + " and " + U)},
        {"   ", false, false, false, ""},
        {"", true, false, false, I(P)},  // not reachable from the window, still well formed
    };
    for (const Caso& c : casos) {
        const EstadoFiltro e = ConstruirFiltro(QString::fromUtf8(c.texto), c.p, c.c, c.u, kMarzo7);
        EXPECT_EQ(e.expresion, c.esperado) << c.texto << c.p << c.c << c.u;
        EXPECT_EQ(e.filtrado, !c.esperado.isEmpty());
        EXPECT_TRUE(ExpresionFiltro::Compilar(e.expresion)) << e.expresion.toStdString();
    }
}

TEST_F(Filtro, UnCertificadoIlegibleSoloLoOcultaLaBusqueda) {
    std::vector<RegistroCertificado> filas;
    for (int i = 0; i < t.TotalFilas(); ++i) filas.push_back(t.FilaCargada(i));
    RegistroCertificado ilegible;
    ilegible.id = static_cast<int>(filas.size());
    ilegible.ilegible = true;
    ilegible.apodo = "roto";
    filas.push_back(ilegible);
    t.Reemplazar(TTablaCertificados::Preparar(std::move(filas)));
    const auto ids = [this](const EstadoFiltro& e) {
        EXPECT_TRUE(t.SetFilter(e.expresion));
        QList<int> r;
        for (int i = 0; i < t.RecordCount(); ++i) r << t.Fila(i).id;
        return r;
    };
    // The window's switches as they start: the unreadable row is there.
    EXPECT_TRUE(ids(ConstruirFiltro({}, false, true, true, kMarzo7)).contains(6));
    EXPECT_EQ(ids(ConstruirFiltro({}, true, true, true, kMarzo7)), (QList<int>{5, 6}));
    // A search narrows by what it reads, and there is nothing to read.
    EXPECT_FALSE(ids(ConstruirFiltro("ana", false, true, true, kMarzo7)).contains(6));
}

// The expiry rule is one for the grid's colour, the "próximo a caducar" mark and the filter
// that hides expired rows: a row is hidden exactly when it is shown as expired.
TEST(Caducidad, LaMismaReglaParaColorMarcaYFiltro) {
    const QDate dia(2024, 5, 15);
    const auto fila = [](const QDate& caducidad) {
        RegistroCertificado r;
        r.emitido_para = "X";
        r.fecha_caducidad = caducidad;
        return r;
    };
    struct Caso {
        QDateTime ahora;
        bool caducado;
    };
    const Caso casos[] = {
        {QDateTime(dia.addDays(-1), QTime(23, 59, 59)), false},
        {QDateTime(dia, QTime(0, 0)), true},  // from the first moment of its last day
        {QDateTime(dia, QTime(12, 0)), true},
        {QDateTime(dia.addDays(1), QTime(0, 0)), true},
    };
    for (const Caso& c : casos) {
        const RegistroCertificado r = fila(dia);
        const std::string cuando = c.ahora.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(Caducado(r, c.ahora), c.caducado) << cuando;
        EXPECT_EQ(ProximoACaducar(dia, c.ahora), c.caducado ? 0 : 1) << cuando;
        TTablaCertificados t;
        t.Reemplazar(TTablaCertificados::Preparar({r}));
        t.SetFiltered(true);
        ASSERT_TRUE(t.SetFilter(ConstruirFiltro({}, false, true, false, c.ahora).expresion));
        EXPECT_EQ(t.RecordCount(), c.caducado ? 0 : 1) << cuando;
    }
    // Without a date it is not known to be expired: neither red nor hidden.
    const QDateTime ahora(dia, QTime(12, 0));
    EXPECT_FALSE(Caducado(fila({}), ahora));
    TTablaCertificados t;
    t.Reemplazar(TTablaCertificados::Preparar({fila({})}));
    t.SetFiltered(true);
    ASSERT_TRUE(t.SetFilter(ConstruirFiltro({}, false, true, false, ahora).expresion));
    EXPECT_EQ(t.RecordCount(), 1);
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
