#include <gtest/gtest.h>

#include "resultado_prueba.h"

#include <QSignalSpy>

#include "tabla_prueba.h"

using namespace marlevanta;
using prueba::Agregar;
using prueba::Vista;

namespace {

class Tabla : public testing::Test {
protected:
    void SetUp() override {
        t.OnCalcFields = [](RegistroCertificado& r) { r.calculated_indice = r.id + 1; };
        t.Open();
        Agregar(t, {"zeta", "b", "", {2025, 5, 1}});
        Agregar(t, {"Álvaro", "", "", {2024, 1, 1}});
        Agregar(t, {"alba", "B", "", {}});
        Agregar(t, {"Beatriz", "a", "", {2023, 12, 31}});
        Agregar(t, {"ÁLVARO", "", "", {2024, 1, 1}});
    }
    TTablaCertificados t;
};

}  // namespace

TEST_F(Tabla, LosCuatroIndices) {
    EXPECT_EQ(t.IndexName(), kIndiceInIndice);
    EXPECT_EQ(Vista(t), (QStringList{"zeta", "Álvaro", "alba", "Beatriz", "ÁLVARO"}));
    ASSERT_TRUE(t.SetIndexName(
        kIndiceInEmitidoPara));  // letter case ignored, accents sort beside their letter
    EXPECT_EQ(Vista(t), (QStringList{"alba", "Álvaro", "ÁLVARO", "Beatriz", "zeta"}));
    ASSERT_TRUE(t.SetIndexName(kIndiceInAlias));  // no alias first, then alias, then subject
    EXPECT_EQ(Vista(t), (QStringList{"Álvaro", "ÁLVARO", "Beatriz", "alba", "zeta"}));
    ASSERT_TRUE(t.SetIndexName(kIndiceInFechaCaducidad));  // a row without a date first
    EXPECT_EQ(Vista(t), (QStringList{"alba", "Beatriz", "Álvaro", "ÁLVARO", "zeta"}));
    ASSERT_TRUE(t.SetIndexName(""));
    EXPECT_EQ(t.IndexName(), kIndiceInIndice);
    EXPECT_EQ(t.SetIndexName("cdsCertificadosInNada").motivo(),
              "Index 'cdsCertificadosInNada' not found");
    EXPECT_EQ(t.IndexName(), kIndiceInIndice);
}

TEST_F(Tabla, FiltroYFilaActual) {
    QSignalSpy scroll(&t, &TTablaCertificados::AfterScroll);
    t.Last();
    EXPECT_EQ(t.RecNo(), 5);
    ASSERT_TRUE(t.SetFilter("emitido_para like '%l%'"));  // flag off: the view does not change
    EXPECT_EQ(t.RecordCount(), 5);
    EXPECT_EQ(t.RecNo(), 5);
    t.SetFiltered(true);
    EXPECT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(t.RecNo(), 1);  // setting the flag makes the first row current
    t.Next();
    ASSERT_TRUE(t.SetFilter("emitido_para like 'b%'"));
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_EQ(t.Actual().emitido_para, "Beatriz");
    EXPECT_EQ(t.Actual().calculated_indice, 4);  // id 3
    EXPECT_GE(scroll.count(), 4);
    ASSERT_TRUE(t.SetFilter("emitido_para like 'x%'"));
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_EQ(t.Actual().emitido_para, "");
    t.SetFiltered(false);
    EXPECT_EQ(t.RecordCount(), 5);
}

TEST_F(Tabla, EditarElAliasMueveLaFilaYLaMantieneActual) {
    ASSERT_TRUE(t.SetIndexName(kIndiceInAlias));
    t.First();
    EXPECT_EQ(t.Actual().emitido_para, "Álvaro");
    t.Edit();
    t.Buffer().alias = "zz";
    t.Post();
    EXPECT_EQ(Vista(t), (QStringList{"ÁLVARO", "Beatriz", "alba", "zeta", "Álvaro"}));
    EXPECT_EQ(t.Actual().emitido_para, "Álvaro");
    EXPECT_EQ(t.RecNo(), 5);
    EXPECT_EQ(t.Actual().alias, "zz");
    t.Edit();
    t.Buffer().alias = "cambio";
    t.Cancel();
    EXPECT_EQ(t.Actual().alias, "zz");
    EXPECT_THROW(t.Post(), std::logic_error);

    // The filter sees the edited alias at once, in every order.
    ASSERT_TRUE(t.SetFilter("alias like 'b'"));
    t.SetFiltered(true);
    ASSERT_TRUE(t.SetIndexName(kIndiceInIndice));
    EXPECT_EQ(Vista(t), (QStringList{"zeta", "alba"}));
    t.First();
    t.Edit();
    t.Buffer().alias = "zz";
    t.Post();
    EXPECT_EQ(Vista(t), QStringList{"alba"});
    ASSERT_TRUE(t.SetIndexName(kIndiceInAlias));
    EXPECT_EQ(Vista(t), QStringList{"alba"});
    ASSERT_TRUE(t.SetFilter("alias like 'z%'"));
    EXPECT_EQ(Vista(t), (QStringList{"Álvaro", "zeta"}));
}

TEST_F(Tabla, TextosLargosSeCortanAlAnchoDelCampo) {
    const QString largo = QString(299, u'x') + u'\'';
    const QString conSurrogados = QString(39, u'a') + QStringLiteral("😀😀");
    t.Append();
    t.Buffer().emitido_para = largo;
    t.Buffer().emitido_por = largo;
    t.Buffer().alias = conSurrogados;
    t.Buffer().email = QString(150, u'e');
    t.Buffer().propositos = QString(101, u'p');
    t.Buffer().key_for_alias = QString(120, u'k');
    t.Post();
    const RegistroCertificado r = t.Actual();
    EXPECT_EQ(r.emitido_para, QString(250, u'x'));
    EXPECT_EQ(r.emitido_por.size(), 250);
    EXPECT_EQ(r.alias, QString(39, u'a') + QStringLiteral("😀"));  // 40 characters, none split
    EXPECT_EQ(r.email.size(), 100);
    EXPECT_EQ(r.propositos.size(), 100);
    EXPECT_EQ(r.key_for_alias.size(), 100);
}

TEST_F(Tabla, VaciarConservaIndiceYFiltroYNoHayEventosConLosControlesDesactivados) {
    ASSERT_TRUE(t.SetIndexName(kIndiceInEmitidoPara));
    ASSERT_TRUE(t.SetFilter("emitido_para like '%a%'"));
    t.SetFiltered(true);
    QSignalSpy vista(&t, &TTablaCertificados::VistaCambiada);
    QSignalSpy scroll(&t, &TTablaCertificados::AfterScroll);
    t.DisableControls();
    t.EmptyDataSet();
    Agregar(t, {"Zoa", "", "", {}});
    Agregar(t, {"Ana", "", "", {}});
    Agregar(t, {"Luis", "", "", {}});
    EXPECT_EQ(vista.count(), 0);
    EXPECT_EQ(scroll.count(), 0);
    t.EnableControls();
    EXPECT_EQ(vista.count(), 1);
    t.First();
    EXPECT_EQ(Vista(t), (QStringList{"Ana", "Zoa"}));
    EXPECT_EQ(t.Actual().emitido_para, "Ana");
    EXPECT_EQ(t.IndexName(), kIndiceInEmitidoPara);
    EXPECT_TRUE(t.Filtered());
    t.Close();
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.RecordCount(), 0);
}
