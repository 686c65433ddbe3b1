#include <gtest/gtest.h>

#include <iterator>
#include <random>

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

namespace {

// Names with accents, mixed case, quotes and a folded "ß", so that folding and the index are
// put to work; about one row in ten without an alias or an e-mail.
std::vector<RegistroCertificado> FilasAleatorias(int n, unsigned semilla) {
    static const char* partes[] = {"García",  "GARCÍA",  "garcia",  "Núñez",   "NUÑEZ",
                                   "Íñigo",   "ÁLVAREZ", "alvarez", "O'Brien", "Strauß",
                                   "STRAUSS", "Lucía",   "Pérez",   "peña",    "Ana",
                                   "ANA",     "Mariana", "Ébano",   "Ortega"};
    std::mt19937 azar(semilla);
    const auto parte = [&] { return QString::fromUtf8(partes[azar() % std::size(partes)]); };
    const QDate base(2023, 3, 7);
    std::vector<RegistroCertificado> filas;
    filas.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        RegistroCertificado r;
        r.id = i;
        r.emitido_para = parte() + u' ' + parte() + QStringLiteral(" - %1Z").arg(azar() % 1000);
        if (azar() % 10 != 0) r.alias = parte() + QStringLiteral(" %1").arg(azar() % 50);
        if (azar() % 10 != 0) r.email = parte().toLower() + QStringLiteral("@correo.example");
        r.emitido_por = azar() % 2 ? QStringLiteral("AC Uno") : QStringLiteral("Ác Dós");
        r.propositos = azar() % 5 ? QStringLiteral("clientAuth,emailProtection") : QString();
        if (azar() % 20 != 0) r.fecha_caducidad = base.addDays(static_cast<int>(azar() % 60) - 30);
        r.fecha_emision = base.addDays(-static_cast<int>(azar() % 400));
        r.proximo_a_caducar = static_cast<quint16>(azar() % 3 == 0);
        r.ilegible = azar() % 50 == 0;
        r.key_for_alias = QStringLiteral("%1").arg(i, 8, 16, QLatin1Char('0'));
        filas.push_back(r);
    }
    return filas;
}

QList<int> Ids(TTablaCertificados& t) {
    QList<int> r;
    for (int i = 0; i < t.RecordCount(); ++i) r << t.Fila(i).id;
    return r;
}

// A random expression of the filter language: every field type, every operator, like patterns
// with and without "%", "not", "and", "or" and parentheses.
QString ExpresionAleatoria(std::mt19937& azar, int hondo = 0) {
    const int tipo = static_cast<int>(azar() % (hondo > 3 ? 3 : 6));
    static const char* ops[] = {"=", "<>", "<", "<=", ">", ">="};
    const QString op = QString::fromLatin1(ops[azar() % 6]);
    switch (tipo) {
        case 0: {
            static const char* campos[] = {"emitido_para", "alias",      "email",
                                           "emitido_por",  "propositos", "key_for_alias"};
            static const char* textos[] = {"%ana%", "%GARCÍA%", "garcia%", "%z",
                                           "%a%n%", "%ñ%",      "%ss%",    "%o''b%",
                                           "%",     "ana",      "%é%o%",   "%@correo.example",
                                           "ac%",   "%0%"};
            const QString campo = QString::fromLatin1(campos[azar() % 6]);
            const QString texto = QString::fromUtf8(textos[azar() % std::size(textos)]);
            if (azar() % 3 == 0) return campo + u' ' + op + QStringLiteral(" '") + texto + u'\'';
            return campo + QStringLiteral(" like '") + texto + u'\'';
        }
        case 1:
            return QStringLiteral("fecha_caducidad %1 '%2/03/2023'").arg(op).arg(azar() % 28 + 1);
        case 2: {
            static const char* campos[] = {"proximo_a_caducar", "ilegible", "id",
                                           "calculated_indice"};
            return QString::fromLatin1(campos[azar() % 4]) + u' ' + op + u' ' +
                   QString::number(azar() % 3);
        }
        case 3:
            return QStringLiteral("not ") + ExpresionAleatoria(azar, hondo + 1);
        case 4:
            return u'(' + ExpresionAleatoria(azar, hondo + 1) + QStringLiteral(" and ") +
                   ExpresionAleatoria(azar, hondo + 1) + u')';
        default:
            return u'(' + ExpresionAleatoria(azar, hondo + 1) + QStringLiteral(" or ") +
                   ExpresionAleatoria(azar, hondo + 1) + u')';
    }
}

// The search box as the user sees it: a row is in view when its subject, e-mail or alias,
// folded, contains the folded text, and it is not expired (unless unreadable).
struct Buscable {
    int id;
    QString textos;  // the three folded, apart
    bool visible;
};
std::vector<Buscable> Buscables(const std::vector<RegistroCertificado>& filas,
                                const QDateTime& ahora) {
    std::vector<Buscable> r;
    for (const auto& f : filas) {
        r.push_back({f.id,
                     Plegar(f.emitido_para) + u'\n' + Plegar(f.email) + u'\n' + Plegar(f.alias),
                     f.ilegible || !Caducado(f, ahora)});
    }
    return r;
}
QList<int> PorBusqueda(const std::vector<Buscable>& filas, const QString& busqueda) {
    const QString t = Plegar(busqueda.trimmed());
    QList<int> r;
    for (const auto& f : filas) {
        if (f.visible && f.textos.contains(t)) r << f.id;
    }
    return r;
}

}  // namespace

// The index and the evaluation of all rows at once against the plain reading of each row.
TEST(FiltroAleatorio, LasExpresionesSeleccionanLoMismoQueFilaAFila) {
    for (const int n : {1, 10000}) {
        const auto filas = FilasAleatorias(n, 11);
        TTablaCertificados t;
        t.Reemplazar(TTablaCertificados::Preparar(filas));
        t.SetFiltered(true);
        std::mt19937 azar(5);
        for (int k = 0; k < (n == 1 ? 400 : 60); ++k) {
            const QString e = ExpresionAleatoria(azar);
            const auto compilada = ExpresionFiltro::Compilar(e);
            ASSERT_TRUE(compilada) << e.toStdString() << compilada.motivo();
            ASSERT_TRUE(t.SetFilter(e));
            QList<int> esperado;
            for (const auto& f : filas) {
                if (compilada->Evaluar(f)) esperado << f.id;
            }
            ASSERT_EQ(Ids(t), esperado) << n << " rows: " << e.toStdString();
        }
    }
}

TEST(FiltroAleatorio, LaBusquedaCoincideConUnaLecturaDirectaHastaCienMilFilas) {
    const QDateTime ahora(QDate(2023, 3, 7), QTime(10, 0));
    // "zg" and "eg" only ever appear across two rows' texts, one's end and the next one's start.
    const QStringList busquedas = {"a",  "GAR", "garcía", "ñ",     "NU", "ss",      "ß",
                                   "zg", "eg",  "o'b",    " ana ", "é",  "@correo", "íñigo 4"};
    for (const int n : {1, 10000, 100000}) {
        const auto filas = FilasAleatorias(n, 3);
        const auto buscables = Buscables(filas, ahora);
        TTablaCertificados t;
        t.Reemplazar(TTablaCertificados::Preparar(filas));
        for (const QString& b : busquedas) {
            // A hundred thousand rows: a few searches are enough, the rest is the same code.
            if (n == 100000 && b != "a" && b != "zg" && b != "ß") continue;
            const EstadoFiltro e = ConstruirFiltro(b, false, true, false, ahora);
            ASSERT_TRUE(t.ProgramarFiltro(e.filtrado, e.expresion));
            EXPECT_EQ(Ids(t), PorBusqueda(buscables, b))
                << n << " rows, \"" << b.toStdString() << '"';
        }
    }
}

// Typing on narrows from the rows of the text before; forwards, backwards and in one go must
// agree with each row read on its own, whether the view is read after each key or only at the
// end.
TEST(FiltroAleatorio, EscribirYBorrarLetraALetraDaLoMismoQueDeUnaVez) {
    const QDateTime ahora(QDate(2023, 3, 7), QTime(10, 0));
    const auto filas = FilasAleatorias(10000, 8);
    TTablaCertificados t;
    t.Reemplazar(TTablaCertificados::Preparar(filas));
    const auto poner = [&](const QString& texto) {
        const EstadoFiltro e = ConstruirFiltro(texto, false, true, true, ahora);
        ASSERT_TRUE(t.ProgramarFiltro(e.filtrado, e.expresion));
    };
    const auto deUnaVez = [&](const QString& texto) {
        const auto e =
            ExpresionFiltro::Compilar(ConstruirFiltro(texto, false, true, true, ahora).expresion);
        QList<int> r;
        for (const auto& f : filas) {
            if (e->Evaluar(f)) r << f.id;
        }
        return r;
    };
    for (const QString& palabra :
         {QStringLiteral("garcía núñez"), QStringLiteral("o'brien"), QStringLiteral("íñigo"),
          QStringLiteral("ana%ez"), QStringLiteral("STRAUß")}) {
        QStringList pasos;
        for (int i = 1; i <= palabra.size(); ++i) pasos << palabra.left(i);
        for (int i = palabra.size() - 1; i >= 0; --i) pasos << palabra.left(i);
        for (const QString& paso : pasos) {
            poner(paso);
            ASSERT_EQ(Ids(t), deUnaVez(paso)) << '"' << paso.toStdString() << '"';
        }
        // Keys typed before the view is read count as the last one.
        for (const QString& paso : pasos) poner(paso + u'x');
        poner(palabra);
        EXPECT_EQ(Ids(t), deUnaVez(palabra)) << palabra.toStdString();
        EXPECT_EQ(t.Filter(), ConstruirFiltro(palabra, false, true, true, ahora).expresion);
    }
    // An alias edit reaches the index: the row passes the search now.
    const auto visible = std::find_if(filas.begin(), filas.end(), [&](const auto& f) {
        return !f.ilegible && !Caducado(f, ahora) && f.propositos.contains("clientAuth");
    });
    ASSERT_NE(visible, filas.end());
    poner("cliente nuevo");
    EXPECT_EQ(t.RecordCount(), 0);
    ASSERT_TRUE(t.CambiarAlias(visible->key_for_alias, "Cliente Nuevo"));
    EXPECT_EQ(Ids(t), QList<int>{visible->id});
    poner("cliente nuevo 2");
    EXPECT_EQ(t.RecordCount(), 0);
}

// A load shown as it comes: the first part replaces, the later ones are added, while the user
// picks an order, types a search or moves. It must end with the rows, the order, the view and
// the current row of the whole list loaded at once and filtered after.
TEST(FiltroAleatorio, LaCargaPorPartesAcabaComoLaCargaDeUnaVez) {
    const QDateTime ahora(QDate(2023, 3, 7), QTime(10, 0));
    const QStringList indices = {kIndiceInIndice, kIndiceInEmitidoPara, kIndiceInFechaCaducidad,
                                 kIndiceInAlias};
    for (const int n : {1, 10000, 100000}) {
        const auto filas = FilasAleatorias(n, 21);
        std::mt19937 azar(static_cast<unsigned>(n));
        // Parts as a load makes them: a first one, then each as large as all before, with
        // parts of a single row between them.
        std::vector<std::vector<RegistroCertificado>> partes;
        for (size_t i = 0, tam = 1000; i < filas.size();
             tam = azar() % 3 == 0 ? 1 : std::max<size_t>(1000, i)) {
            const size_t hasta = std::min(filas.size(), i + tam);
            partes.emplace_back(filas.begin() + static_cast<std::ptrdiff_t>(i),
                                filas.begin() + static_cast<std::ptrdiff_t>(hasta));
            i = hasta;
        }
        TTablaCertificados entera;
        entera.Reemplazar(TTablaCertificados::Preparar(filas));
        for (const QString& indice : indices) {
            // A hundred thousand rows: one order is enough, the rest is the same code.
            if (n == 100000 && indice != kIndiceInAlias) continue;
            const QString escrito = QStringLiteral("garcía");
            TTablaCertificados t;
            ASSERT_TRUE(t.SetIndexName(indice));
            // Typed while the rows come: a key before the first part, one between each two.
            const auto teclear = [&](int letras) {
                const EstadoFiltro e =
                    ConstruirFiltro(escrito.left(letras), false, true, false, ahora);
                ASSERT_TRUE(t.ProgramarFiltro(e.filtrado, e.expresion));
            };
            teclear(1);
            int letras = 1;
            for (size_t p = 0; p < partes.size(); ++p) {
                auto preparadas = TTablaCertificados::Preparar(partes[p]);
                // Now and then the user has moved to a row: more rows leave it current.
                int actual = -1;
                if (p > 0 && azar() % 2 && t.RecordCount() > 0) {
                    t.SetRecNo(1 +
                               static_cast<int>(azar() % static_cast<unsigned>(t.RecordCount())));
                    actual = t.Actual().id;
                }
                if (p == 0) {
                    t.Reemplazar(std::move(preparadas));
                } else {
                    t.Anadir(std::move(preparadas));
                }
                if (actual >= 0) {
                    ASSERT_EQ(t.Actual().id, actual) << "the current row moved";
                }
                if (letras < escrito.size() && azar() % 2) teclear(++letras);
                // The whole word before the last part, which must meet it on arrival.
                if (p + 2 == partes.size()) teclear(letras = escrito.size());
                if (azar() % 3 == 0) (void)t.RecordCount();  // the view read between parts
            }
            if (partes.size() == 1) teclear(escrito.size());
            ASSERT_TRUE(entera.SetIndexName(indice));
            for (const QString& b : {escrito, QString()}) {
                const EstadoFiltro e = ConstruirFiltro(b, false, true, false, ahora);
                ASSERT_TRUE(entera.ProgramarFiltro(e.filtrado, e.expresion));
                // The word's view as it stands after the last part, no filter set again.
                if (b.isEmpty()) {
                    ASSERT_TRUE(t.ProgramarFiltro(e.filtrado, e.expresion));
                }
                ASSERT_EQ(Ids(t), Ids(entera))
                    << n << " rows in " << partes.size() << " parts, " << indice.toStdString()
                    << ", search \"" << b.toStdString() << '"';
            }
            EXPECT_EQ(t.TotalFilas(), n);
        }
    }
}

TEST(FiltroAleatorio, SoloSeEstrechaCuandoEsSeguro) {
    const auto c = [](const char* e) { return *ExpresionFiltro::Compilar(QString::fromUtf8(e)); };
    const auto estrecha = [&](const char* nueva, const char* vieja) {
        return c(nueva).MasEstrechaQue(c(vieja));
    };
    EXPECT_TRUE(estrecha("alias like '%gar%'", "alias like '%ga%'"));
    EXPECT_TRUE(estrecha("alias like '%gar%' and id > 1", "alias like '%ga%' and id > 1"));
    EXPECT_TRUE(estrecha("alias like '%ga%'", ""));  // from every row
    EXPECT_TRUE(estrecha("alias like 'ga%'", "alias like 'g%'"));
    EXPECT_TRUE(estrecha("alias like '%rga'", "alias like '%ga'"));
    EXPECT_TRUE(estrecha("not alias like '%g%'", "not alias like '%ga%'"));
    EXPECT_FALSE(estrecha("alias like '%ga%'", "alias like '%gar%'"));  // wider
    EXPECT_FALSE(estrecha("not alias like '%gar%'", "not alias like '%ga%'"));
    EXPECT_FALSE(estrecha("alias like '%ga%r%'", "alias like '%ga%'"));  // another piece
    EXPECT_FALSE(estrecha("alias like 'gar'", "alias like 'ga'"));       // the whole text
    EXPECT_FALSE(estrecha("alias like 'ga%'", "alias like '%ga'"));
    EXPECT_FALSE(estrecha("email like '%gar%'", "alias like '%ga%'"));
    EXPECT_FALSE(estrecha("alias like '%gar%' and id > 2", "alias like '%ga%' and id > 1"));
    EXPECT_FALSE(estrecha("alias = 'gar'", "alias = 'ga'"));
    EXPECT_FALSE(estrecha("", "alias like '%ga%'"));
}

TEST(FechaCorta, DiaMesYAnioConCeros) {
    for (QDate d(1999, 12, 25); d < QDate(2031, 1, 10); d = d.addDays(17)) {
        EXPECT_EQ(FechaCorta(d), d.toString(QStringLiteral("dd/MM/yyyy")));
    }
    EXPECT_EQ(FechaCorta(QDate(2024, 2, 9)), "09/02/2024");
    EXPECT_EQ(FechaCorta(QDate(999, 1, 2)),
              QDate(999, 1, 2).toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(FechaCorta(QDate()), "");
}
