#include <gtest/gtest.h>

#include "resultado_prueba.h"

#include <QSignalSpy>

#include "tabla_prueba.h"

using namespace marlevanta;
using prueba::Llenar;
using prueba::Vista;

namespace {

class Tabla : public testing::Test {
protected:
    void SetUp() override {
        t.OnCalcFields = [](RegistroCertificado& r) { r.calculated_indice = r.id + 1; };
        t.Open();
        Llenar(t, {{"zeta", "b", "", {2025, 5, 1}},
                   {"Álvaro", "", "", {2024, 1, 1}},
                   {"alba", "B", "", {}},
                   {"Beatriz", "a", "", {2023, 12, 31}},
                   {"ÁLVARO", "", "", {2024, 1, 1}}});
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
              "La tabla no tiene el orden \"cdsCertificadosInNada\".");
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
    RegistroCertificado r;
    r.emitido_para = largo;
    r.emitido_por = largo;
    r.alias = conSurrogados;
    r.email = QString(150, u'e');
    r.propositos = QString(101, u'p');
    r.key_for_alias = QString(120, u'k');
    t.Reemplazar(TTablaCertificados::Preparar({r}));
    const RegistroCertificado cargada = t.Actual();
    EXPECT_EQ(cargada.emitido_para, QString(250, u'x'));
    EXPECT_EQ(cargada.emitido_por.size(), 250);
    EXPECT_EQ(cargada.alias, QString(39, u'a') + QStringLiteral("😀"));  // 40, none split
    EXPECT_EQ(cargada.email.size(), 100);
    EXPECT_EQ(cargada.propositos.size(), 100);
    EXPECT_EQ(cargada.key_for_alias.size(), 100);
    // An edited alias is cut the same way.
    t.Edit();
    t.Buffer().alias = QString(41, u'z');
    t.Post();
    EXPECT_EQ(t.Actual().alias, QString(40, u'z'));
}

TEST_F(Tabla, UnaRecargaConservaIndiceYFiltroYAvisaUnaVez) {
    ASSERT_TRUE(t.SetIndexName(kIndiceInEmitidoPara));
    ASSERT_TRUE(t.SetFilter("emitido_para like '%a%'"));
    t.SetFiltered(true);
    t.Last();
    QSignalSpy vista(&t, &TTablaCertificados::VistaCambiada);
    QSignalSpy scroll(&t, &TTablaCertificados::AfterScroll);
    Llenar(t, {{"Zoa", "", "", {}}, {"Ana", "", "", {}}, {"Luis", "", "", {}}});
    EXPECT_EQ(vista.count(), 1);
    EXPECT_EQ(scroll.count(), 1);
    EXPECT_EQ(Vista(t), (QStringList{"Ana", "Zoa"}));
    EXPECT_EQ(t.RecNo(), 1);  // the first row of the new view is current
    EXPECT_EQ(t.Actual().emitido_para, "Ana");
    EXPECT_EQ(t.IndexName(), kIndiceInEmitidoPara);
    EXPECT_TRUE(t.Filtered());
    t.Close();
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.RecordCount(), 0);
}
