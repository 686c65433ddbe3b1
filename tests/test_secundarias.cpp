#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>
#include <QWebEngineView>

#include "app/u_frmMenu.h"
#include "ayudantes.h"
#include "online/u_manejadorApi.h"
#include "servidor_api.h"
#include "store/registry_sqlite.h"
#include "ventanas.h"
#include "windows/ayuda_direcciones.h"
#include "windows/u_frmAcercade.h"
#include "windows/u_frmAyuda.h"
#include "windows/u_frmConfiguracion.h"

using namespace marlevanta;

namespace {

class Capturador : public QObject {
    Q_OBJECT

public slots:
    void abrir(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

class Secundarias : public testing::Test {
protected:
    void SetUp() override {
        xdg_ = std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", dir_.path().toStdString());
    }
    void TearDown() override {
        v.reset();
        prueba::OlvidarDialogos();
    }
    TManejadorRegistro Ajustes() { return TManejadorRegistro(CrearRegistroUsuario(), nullptr); }
    TfrmMenu& Abrir() {
        TfrmMenu::Opciones o;
        o.argumentos = {QStringLiteral("/demo")};
        o.pantalla = [] { return TamanoPantalla{1920, 1080}; };
        v = std::make_unique<TfrmMenu>(std::move(o));
        v->CopyEmpresa = "Velquorin";
        v->CopyDireccion = "CIF: B00000000\rCalle Mayor 1, 28013 Madrid";
        v->CopyEmailGeneral = "info@marlevanta.example";
        v->CopyWeb = "https://www.marlevanta.example";
        v->show();
        QApplication::processEvents();
        return *v;
    }
    // Opens the options window with `tecla` and lets `accion` work in it.
    void Opciones(Qt::Key tecla, std::function<void(TfrmConfiguracion*)> accion) {
        prueba::AlAbrirseDialogoDe<TfrmConfiguracion>(
            [accion](TfrmConfiguracion* w) { accion(w); });
        QTest::keyClick(v->grdCertificados(), tecla);
    }

    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> xdg_;
    std::unique_ptr<TfrmMenu> v;
};

}  // namespace

TEST_F(Secundarias, OpcionesSinTocarNadaDejanLosAjustesComoEstaban) {
    {
        auto a = Ajustes();
        a.IniciarValoresSiNoExisten();
        a.EscribirValor("GridVerEmail", "1");
        a.EscribirValor("GridVerEmitidoPor", "1");
    }
    auto& w = Abrir();
    Opciones(Qt::Key_F12, [](TfrmConfiguracion* o) {
        EXPECT_EQ(o->pgSecciones()->currentWidget(), o->tbsApariencia());
        EXPECT_EQ(o->edtGridTamanoFuente()->value(), 10);
        EXPECT_TRUE(o->chkGridVerEmail()->isChecked());
        EXPECT_TRUE(o->chkGridVerEmitidoPor()->isChecked());
        EXPECT_TRUE(o->chkConfirmarSalida()->isChecked());
        o->btnComportamiento()->click();
        EXPECT_EQ(o->pgSecciones()->currentWidget(), o->tbsComportamiento());
        o->close();  // the close box saves like "Salir"
    });
    auto a = Ajustes();
    EXPECT_EQ(a.LeerValor("GridVerEmail"), "1");
    EXPECT_EQ(a.LeerValor("GridVerEmitidoPor"), "1");
    EXPECT_EQ(a.LeerValor("GridTamanoFuente"), "10");
    EXPECT_FALSE(w.grdCertificados()->isColumnHidden(4));
    EXPECT_FALSE(w.grdCertificados()->isColumnHidden(5));
    EXPECT_EQ(w.cdsCertificados().RecordCount(), 29);  // reloaded, filter kept
}

TEST_F(Secundarias, TamanoDeFuenteEnVivo) {
    auto& w = Abrir();
    Opciones(Qt::Key_F12, [&w](TfrmConfiguracion* o) {
        QLineEdit* texto = o->edtGridTamanoFuente()->findChild<QLineEdit*>();
        texto->selectAll();
        QTest::keyClicks(texto, "12");
        EXPECT_EQ(w.TamanoFuenteGrid(), 12);
        EXPECT_EQ(w.TamanoFuenteTitulos(), 15);
        const int esperados[] = {60, 480, 240, 144, 300, 360, 144, 420};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(w.AnchoColumna(i), esperados[i]) << i;
        texto->selectAll();
        QTest::keyClick(texto, Qt::Key_Backspace);
        EXPECT_EQ(w.TamanoFuenteGrid(), 6);  // empty counts as 6
        QTest::keyClicks(texto, "5");
        EXPECT_EQ(w.TamanoFuenteGrid(), 6);  // out of range: nothing changes
        o->btnSalir()->click();
    });
    EXPECT_EQ(Ajustes().LeerValor("GridTamanoFuente"), "5");  // written as the field holds it
    EXPECT_EQ(w.TamanoFuenteGrid(), 10);                      // which the grid reads as 10
}

TEST_F(Secundarias, ColumnaEmailEnVivoYAparienciaDesdeElMenu) {
    auto& w = Abrir();
    prueba::AlAbrirseDialogoDe<TfrmConfiguracion>([&w](TfrmConfiguracion* o) {
        EXPECT_EQ(o->pgSecciones()->currentWidget(), o->tbsApariencia());
        o->chkGridVerEmitidoPor()->click();
        EXPECT_TRUE(w.grdCertificados()->isColumnHidden(5));  // no effect yet
        o->chkGridVerEmail()->click();
        EXPECT_FALSE(w.grdCertificados()->isColumnHidden(4));
        EXPECT_FALSE(w.grdCertificados()->isColumnHidden(5));
        EXPECT_EQ(w.grdCertificados()->columnWidth(4), 250);
        o->btnSalir()->click();
    });
    w.menuGrid()->findChild<QAction*>("miApariencia")->trigger();
    EXPECT_EQ(Ajustes().LeerValor("GridVerEmail"), "1");
    EXPECT_EQ(Ajustes().LeerValor("GridVerEmitidoPor"), "1");
}

TEST_F(Secundarias, AcercaDeConLosDatosDelPrograma) {
    auto& w = Abrir();
    {
        TfrmAcercade a(&w);
        EXPECT_TRUE(a.lblVersion()->text().startsWith("Versión: 1.0.4, "));
        EXPECT_EQ(a.height(), 403 - 27);  // the support row collapses
        EXPECT_EQ(a.Panel2()->height(), 201 + 13 - 27);
        EXPECT_FALSE(a.lblEmailSoporte()->isVisibleTo(&a));
        EXPECT_TRUE(a.lblEmailGeneral()->isVisibleTo(&a));
    }
    // Each address opens its own message.
    w.CopyEmailSoporte = "soporte@marlevanta.example";
    {
        Capturador capturador;
        QDesktopServices::setUrlHandler("mailto", &capturador, "abrir");
        QDesktopServices::setUrlHandler("https", &capturador, "abrir");
        TfrmAcercade a(&w);
        EXPECT_EQ(a.height(), 403);
        a.show();
        QTest::mouseClick(a.lblCopyEmailSoporte(), Qt::LeftButton);
        QTest::mouseClick(a.lblCopyWeb(), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("mailto");
        QDesktopServices::unsetUrlHandler("https");
        EXPECT_EQ(capturador.urls, (QList<QUrl>{QUrl("mailto:soporte@marlevanta.example"),
                                                QUrl("https://www.marlevanta.example")}));
    }
    w.CopyEmailSoporte.clear();
    w.CopyWeb.clear();
    w.CopyEmailGeneral.clear();
    TfrmAcercade vacio(&w);
    EXPECT_EQ(vacio.height(), 403 - 81);
    EXPECT_EQ(vacio.Panel2()->height(), 201 + 13 - 81);
}

TEST_F(Secundarias, F1AbreLaAyudaDesdeSuModulo) {
    auto& w = Abrir();
    bool abierta = false;
    // The window comes from the module that F1 loads, so it is found by name.
    prueba::AlAbrirseDialogo([&](QWidget* a) {
        abierta = a->objectName() == "frmAyuda";
        EXPECT_EQ(a->windowTitle(), "Ayuda de Marlevanta");
        QTest::keyClick(a, Qt::Key_Escape);
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F1);
    EXPECT_TRUE(abierta);
}

TEST_F(Secundarias, AyudaConLasDireccionesDeLaApi) {
    EXPECT_EQ(DireccionAyuda("  HTTPS://Www.Marlevanta.Example/Ayuda/Uso.php "),
              "https://www.marlevanta.example/ayuda/uso.php");
    EXPECT_EQ(DireccionAyuda("about:blank"), "about:blank");
    EXPECT_EQ(DireccionAyuda("ftp://x"), "about:blank");
    EXPECT_EQ(DireccionAyuda(""), "about:blank");

    prueba::ServidorApi paginas({"--pagina", "/uso", "<html><body>Uso</body></html>", "--pagina",
                                 "/trucos", "<html><body>Trucos</body></html>"},
                                false);
    const QString uso = paginas.Base() + "/uso";
    const QString trucos = paginas.Base() + "/trucos";
    auto registro = Ajustes();
    registro.IniciarValoresSiNoExisten();
    struct Caso {
        QString respuesta;
        QString usoEsperado, trucosEsperado;
    };
    const Caso casos[] = {
        {uso + "\\n" + trucos, uso, trucos},  // new addresses are adopted
        {uso.toUpper().replace("HTTP://", "http://") + "\\n" + trucos, uso,
         trucos},                                                            // same once lowered
        {"http://otra.example/a\\nhttp://otra.example/b\\nx", uso, trucos},  // three lines: ignored
    };
    for (const Caso& c : casos) {
        prueba::ServidorApi api({"--respuesta", "/ayudas", c.respuesta});
        prueba::Entorno ca("SSL_CERT_FILE", api.Ca());
        registro.EscribirValor("ApiHost", api.Base().toStdString());
        TManejadorApi cliente(registro);
        const DireccionesAyuda d = ResolverDireccionesAyuda(registro, &cliente);
        EXPECT_EQ(d.uso, c.usoEsperado);
        EXPECT_EQ(d.trucos, c.trucosEsperado);
        EXPECT_EQ(QString::fromStdString(registro.LeerValor("AyudaUso")), c.usoEsperado);
    }
    {
        // A web API that fails leaves the stored addresses as they are.
        prueba::ServidorApi fallo({"--modo", "error"});
        prueba::Entorno ca("SSL_CERT_FILE", fallo.Ca());
        registro.EscribirValor("ApiHost", fallo.Base().toStdString());
        TManejadorApi cliente(registro);
        const DireccionesAyuda d = ResolverDireccionesAyuda(registro, &cliente);
        EXPECT_EQ(d.uso, uso);
        EXPECT_EQ(d.trucos, trucos);
    }
    // A page that cannot be loaded shows an empty page.
    registro.EscribirValor("AyudaUso", "http://127.0.0.1:1/nada");
    const DireccionesAyuda d = ResolverDireccionesAyuda(registro, nullptr);
    TfrmAyuda ayuda(nullptr, d.uso, d.trucos);
    ayuda.show();
    for (int i = 0; i < 200 && ayuda.wbUso()->url() != QUrl("about:blank"); ++i) QTest::qWait(50);
    EXPECT_EQ(ayuda.wbUso()->url(), QUrl("about:blank"));
    bool cargada = false;
    for (int i = 0; i < 200 && !cargada; ++i) {
        QTest::qWait(50);
        cargada = ayuda.wbTrucos()->title() == "Trucos" ||
                  ayuda.wbTrucos()->page()->url() == QUrl(trucos);
    }
    EXPECT_TRUE(cargada);
    EXPECT_EQ(ayuda.pgSecciones()->currentIndex(), 0);
    ayuda.btnTrucos()->click();
    EXPECT_EQ(ayuda.pgSecciones()->currentIndex(), 1);
    QTest::keyClick(&ayuda, Qt::Key_Escape);
    EXPECT_FALSE(ayuda.isVisible());
}

#include "test_secundarias.moc"
