#include <gtest/gtest.h>

#include <QSignalSpy>

#include "ayudantes.h"
#include "core/u_cargaCertificados.h"
#include "platform/linux/u_almacenNss.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/u_sistema.h"
#include "resultado_prueba.h"
#include "tabla_prueba.h"

using namespace marlevanta;

namespace {

QDateTime En(int a, int m, int d, int h = 0, int min = 0, int s = 0) {
    return QDateTime(QDate(a, m, d), QTime(h, min, s));
}

class Carga : public testing::Test {
protected:
    void SetUp() override {
        xdg_ = std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", dir_.path().toStdString());
        t.OnCalcFields = [](RegistroCertificado& r) { r.calculated_indice = r.id + 1; };
        t.Open();
    }
    static std::unique_ptr<TManejadorRegistro> Registro() {
        return std::make_unique<TManejadorRegistro>(CrearRegistroUsuario(), nullptr);
    }
    // The rows of a load handed to the table, as the load does.
    void Poner(std::vector<RegistroCertificado> filas) {
        t.Reemplazar(TTablaCertificados::Preparar(std::move(filas)));
    }
    void PonerAlmacen(AlmacenCertificados& almacen, TManejadorRegistro& registro,
                      const QDateTime& ahora) {
        auto certificados = almacen.LeerCertificados();
        ASSERT_TRUE(certificados) << certificados.motivo();
        Poner(FilasDeAlmacen(*certificados, registro.LeerTodosLosAlias().valor_o({}), ahora));
    }
    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> xdg_;
    TTablaCertificados t;
};

// A readable certificate as a store gives it, by field name, so that a new field breaks nothing.
DatosCertificado Leido(const char* desde, const char* hasta, const char* para, const char* huella,
                       const char* usos = "") {
    DatosCertificado d;
    d.validoDesde = desde;
    d.validoHasta = hasta;
    d.emitidoPara = para;
    d.huella = huella;
    d.usosExtendidos = usos;
    return d;
}

// Stands in for a store whose validity texts are not of the usual form; no real store gives those.
class AlmacenConTextosRaros : public AlmacenCertificados {
public:
    Resultado<std::vector<DatosCertificado>> LeerCertificados() override { return datos_; }

private:
    std::vector<DatosCertificado> datos_ = {
        Leido("Thu, 05 Jan 2023 10:00:00 GMT", "corto", "Uno", "AA", "clientAuth"),
        Leido("Thu, 31 Feb 2023 10:00:00 GMT", "Xyz, 05 Zzz 2023 10:00:00 GMT", "Dos", "BB"),
        Leido("Thu, 05 Jan 2023 10:00:00 GMT", "Sat, 31 Dec 2033 23:30:00 GMT", "Tres", "CC"),
    };
};

}  // namespace

TEST(FechaDeValidez, SeLeePorPosicionSinCambioDeZonaHoraria) {
    EXPECT_EQ(FechaDeValidez("Thu, 05 Jan 2023 10:00:00 GMT"), QDate(2023, 1, 5));
    EXPECT_EQ(FechaDeValidez("Sun, 31 Dec 2023 23:30:00 GMT"), QDate(2023, 12, 31));
    EXPECT_EQ(FechaDeValidez("sun, 29 FEB 2024 00:00:00 GMT"), QDate(2024, 2, 29));
    for (const char* malo : {"", "Thu, 05 Jan 202", "Thu, 5 Jan 2023 10:00:00 GMT",
                             "Thu, 05 Foo 2023 10:00:00 GMT", "Thu, 31 Feb 2023 10:00:00 GMT",
                             "Thu, 05 Jan 20x3 10:00:00 GMT", "Thu, -5 Jan 2023 10:00:00 GMT"}) {
        EXPECT_TRUE(FechaDeValidez(malo).isNull()) << malo;
    }
}

TEST(ProximoACaducar, DosMesesNaturalesAntesHastaElPropioDia) {
    const QDate mayo(2024, 5, 15);
    EXPECT_EQ(ProximoACaducar(mayo, En(2024, 3, 14, 23, 59, 59)), 0);
    EXPECT_EQ(ProximoACaducar(mayo, En(2024, 3, 15)), 1);
    EXPECT_EQ(ProximoACaducar(mayo, En(2024, 5, 14, 23, 59, 59)), 1);
    EXPECT_EQ(ProximoACaducar(mayo, En(2024, 5, 15)), 0);  // expired from its own first moment
    // 30 April: the day does not exist two months back, so the last day of February counts.
    EXPECT_EQ(ProximoACaducar({2023, 4, 30}, En(2023, 2, 27, 23, 59)), 0);
    EXPECT_EQ(ProximoACaducar({2023, 4, 30}, En(2023, 2, 28)), 1);
    EXPECT_EQ(ProximoACaducar({2024, 4, 30}, En(2024, 2, 28, 23, 59)), 0);
    EXPECT_EQ(ProximoACaducar({2024, 4, 30}, En(2024, 2, 29)), 1);
    EXPECT_EQ(ProximoACaducar({2026, 12, 8}, En(2026, 12, 9)), 0);  // expired yesterday
    EXPECT_EQ(ProximoACaducar({2028, 12, 9}, En(2026, 12, 9)), 0);  // two years ahead
    EXPECT_EQ(ProximoACaducar({}, En(2026, 12, 9)), 0);
}

TEST_F(Carga, DesdeUnaBaseNssRealConAliasQueSobrevivenALaRecarga) {
    const auto& base = prueba::BaseNssCompartida();
    auto registro = Registro();
    auto almacen = CrearAlmacenNss(base.directorio);
    QSignalSpy scroll(&t, &TTablaCertificados::AfterScroll);
    ASSERT_NO_FATAL_FAILURE(PonerAlmacen(*almacen, *registro, QDateTime::currentDateTime()));
    EXPECT_GE(scroll.count(), 1);
    ASSERT_EQ(t.RecordCount(), 8);
    for (int i = 0; i < 8; ++i) {
        const RegistroCertificado f = t.Fila(i);
        EXPECT_EQ(f.id, i);
        EXPECT_EQ(f.calculated_indice, i + 1);
        EXPECT_EQ(f.key_for_alias.toStdString(), base.certificados[static_cast<size_t>(i)].second);
    }
    const RegistroCertificado uno = t.Fila(0);
    EXPECT_EQ(uno.emitido_para, "PÉREZ GARCÍA ANA - 12345678Z");
    EXPECT_EQ(uno.emitido_por, "AC Pruebas Marlevanta");
    EXPECT_EQ(uno.fecha_emision, QDate(2023, 1, 5));
    EXPECT_EQ(uno.fecha_caducidad, QDate(2033, 12, 31));  // 23:30 GMT stays on the 31st
    EXPECT_EQ(uno.propositos, "clientAuth,emailProtection");
    EXPECT_EQ(uno.email, "ana.perez@correo.example");
    EXPECT_EQ(uno.alias, "");
    EXPECT_EQ(t.Fila(2).proximo_a_caducar, 0);  // expired yesterday
    EXPECT_EQ(t.Fila(3).proximo_a_caducar, 1);  // ends in 20 days
    EXPECT_EQ(t.Fila(1).propositos, "");

    ASSERT_TRUE(
        registro->EscribirAlias(t.Fila(4).key_for_alias.toStdString(), "Gemelo de la empresa"));
    ASSERT_TRUE(t.SetFilter("alias like 'gemelo%' or emitido_para like 'pérez%'"));
    t.SetFiltered(true);
    t.Last();
    ASSERT_NO_FATAL_FAILURE(PonerAlmacen(*almacen, *registro, QDateTime::currentDateTime()));
    EXPECT_EQ(prueba::Vista(t), (QStringList{"PÉREZ GARCÍA ANA - 12345678Z", "NOMBRE REPETIDO"}));
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_EQ(t.Fila(1).alias, "Gemelo de la empresa");
    EXPECT_EQ(t.Fila(1).id, 4);
}

TEST_F(Carga, UnTextoDeValidezRaroDejaLaFilaSinFechaYLaCargaSigue) {
    auto registro = Registro();
    AlmacenConTextosRaros almacen;
    ASSERT_NO_FATAL_FAILURE(PonerAlmacen(almacen, *registro, En(2026, 12, 9)));
    ASSERT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(t.Fila(0).fecha_emision, QDate(2023, 1, 5));
    EXPECT_TRUE(t.Fila(0).fecha_caducidad.isNull());
    EXPECT_TRUE(t.Fila(1).fecha_emision.isNull());
    EXPECT_TRUE(t.Fila(1).fecha_caducidad.isNull());
    EXPECT_EQ(t.Fila(2).fecha_caducidad, QDate(2033, 12, 31));
    // Rows without a date are not known to be expired: the expiry filter keeps them.
    ASSERT_TRUE(t.SetFilter(ConstruirFiltro({}, false, true, false, En(2026, 12, 9)).expresion));
    t.SetFiltered(true);
    EXPECT_EQ(prueba::Vista(t), (QStringList{"Uno", "Dos", "Tres"}));
}

TEST_F(Carga, UnCertificadoIlegibleEsUnaFilaQueLoDiceYNoSePuedeUsar) {
    DatosCertificado roto;
    roto.legible = false;
    roto.apodo = "Juan\x1b[2J";  // the store's name comes from outside too
    DatosCertificado sinApodo;
    sinApodo.legible = false;
    const std::vector<DatosCertificado> certificados = {
        roto,
        Leido("Thu, 05 Jan 2023 10:00:00 GMT", "Sat, 31 Dec 2033 23:30:00 GMT", "Leído", "AA",
              "clientAuth"),
        sinApodo};
    // An alias stored under an empty key must not end up on a row without a thumbprint.
    const auto filas = FilasDeAlmacen(certificados, {{"", "ajeno"}}, En(2026, 12, 9));
    ASSERT_EQ(filas.size(), 3u);
    const RegistroCertificado& r = filas[0];
    EXPECT_TRUE(r.ilegible);
    EXPECT_EQ(EmitidoParaMostrado(r), "Certificado ilegible (Juan\u241B[2J)");
    EXPECT_FALSE(AvisoIlegible(r).isEmpty());
    // Nothing for the browser's rule and no key for an alias, details or a selection.
    EXPECT_TRUE(r.emitido_para.isEmpty());
    EXPECT_TRUE(r.key_for_alias.isEmpty());
    EXPECT_TRUE(r.alias.isEmpty());
    EXPECT_FALSE(r.fecha_caducidad.isValid());
    EXPECT_EQ(r.proximo_a_caducar, 0);
    EXPECT_EQ(EmitidoParaMostrado(filas[2]), "Certificado ilegible");
    EXPECT_FALSE(filas[1].ilegible);
    EXPECT_EQ(EmitidoParaMostrado(filas[1]), "Leído");
    EXPECT_TRUE(AvisoIlegible(filas[1]).isEmpty());
    EXPECT_EQ(filas[1].key_for_alias, "AA");
}

TEST_F(Carga, FilasDeDemostracion) {
    const QDateTime diciembre = En(2026, 12, 9, 11);
    auto registro = Registro();
    ASSERT_TRUE(registro->EscribirAlias("DEMO-5", "Puesto por el usuario"));
    const auto demo = [&](TManejadorRegistro& r, const QDateTime& ahora) {
        auto filas = FilasDemo(r, ahora);
        ASSERT_TRUE(filas) << filas.motivo();
        Poner(std::move(*filas));
    };
    ASSERT_NO_FATAL_FAILURE(demo(*registro, diciembre));
    ASSERT_EQ(t.RecordCount(), kFilasDemo);
    for (int i = 0; i < kFilasDemo; ++i) {
        EXPECT_EQ(t.Fila(i).calculated_indice, i + 1);
        EXPECT_EQ(t.Fila(i).key_for_alias, QStringLiteral("DEMO-%1").arg(i));
    }
    EXPECT_EQ(t.Fila(5).alias, "Caducado");
    EXPECT_EQ(t.Fila(2).alias, "Ebrotrans");
    EXPECT_EQ(t.Fila(0).fecha_emision, QDate(2025, 12, 9));
    EXPECT_EQ(t.Fila(0).fecha_caducidad, QDate(2027, 12, 9));
    EXPECT_EQ(t.Fila(1).emitido_para, "");
    EXPECT_EQ(t.Fila(1).fecha_emision, QDate(2013, 11, 25));
    EXPECT_EQ(t.Fila(6).fecha_emision, QDate(2019, 12, 26));
    EXPECT_EQ(t.Fila(6).fecha_caducidad, QDate(2123, 12, 2));
    EXPECT_EQ(t.Fila(5).fecha_caducidad, QDate(2025, 6, 17));
    EXPECT_EQ(t.Fila(5).proximo_a_caducar, 0);
    EXPECT_EQ(t.Fila(31).emitido_para, t.Fila(29).emitido_para);
    EXPECT_EQ(t.Fila(14).email, t.Fila(13).email);
    EXPECT_EQ(t.Fila(24).email, t.Fila(23).email);
    EXPECT_EQ(t.Fila(31).email, t.Fila(29).email);
    EXPECT_TRUE(t.Fila(0).propositos.isEmpty() && t.Fila(3).email.isEmpty());
    // In December "next month" is January of the next year.
    const std::pair<int, int> siempreProximos[] = {{7, 11}, {12, 23}, {16, 11}, {30, 26}};
    for (auto [fila, dia] : siempreProximos) {
        EXPECT_EQ(t.Fila(fila).fecha_caducidad, QDate(2027, 1, dia)) << fila;
        EXPECT_EQ(t.Fila(fila).proximo_a_caducar, 1) << fila;
        EXPECT_EQ(t.Fila(fila).fecha_emision.month(), 12) << fila;
    }
    for (int fila : {7, 12, 16, 30}) {
        for (int mes = 1; mes <= 12; ++mes) {
            ASSERT_NO_FATAL_FAILURE(demo(*registro, En(2027, mes, 28, 23, 59)));
            EXPECT_EQ(t.Fila(fila).proximo_a_caducar, 1) << fila << " " << mes;
        }
    }

    // An alias the user gave survives a reload and a restart; row 5 always says "Caducado".
    ASSERT_TRUE(registro->EscribirAlias("DEMO-10", "Talleres"));
    ASSERT_TRUE(registro->EscribirAlias("DEMO-5", "Otro"));
    registro.reset();
    auto otro = Registro();
    ASSERT_NO_FATAL_FAILURE(demo(*otro, diciembre));
    EXPECT_EQ(t.Fila(10).alias, "Talleres");
    EXPECT_EQ(t.Fila(5).alias, "Caducado");
    EXPECT_EQ(otro->LeerAlias("DEMO-5"), "Caducado");
}
