#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>
#include <QWebEngineView>

#include "ayudantes.h"
#include "core/u_direccionesAyuda.h"
#include "core/u_manejadorApi.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/u_sistema.h"
#include "programa_prueba.h"
#include "resultado_prueba.h"
#include "servidor_api.h"
#include "ui/u_frmAcercade.h"
#include "ui/u_frmAyuda.h"
#include "ui/u_frmConfiguracion.h"
#include "ui/u_frmMenu.h"
#include "ui/u_rejillaCertificados.h"
#include "ui/u_ventanas.h"
#include "ventanas.h"

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
        programa_.reset();
        prueba::OlvidarDialogos();
    }
    TManejadorRegistro Ajustes() { return TManejadorRegistro(CrearRegistroUsuario(), nullptr); }
    TfrmMenu& Abrir() {
        programa_ = std::make_unique<prueba::ProgramaPrueba>();
        programa_->contacto = Contacto();
        v = &programa_->Abrir();
        return *v;
    }
    static DatosContacto Contacto() {
        DatosContacto c;
        c.CopyEmpresa = "Velquorin";
        c.CopyDireccion = "CIF: B00000000\rCalle Mayor 1, 28013 Madrid";
        c.CopyEmailGeneral = "info@marlevanta.example";
        c.CopyWeb = "https://www.marlevanta.example";
        return c;
    }
    // Opens the options window with `tecla` and lets `accion` work in it.
    void Opciones(Qt::Key tecla, std::function<void(TfrmConfiguracion*)> accion) {
        prueba::AlAbrirseDialogoDe<TfrmConfiguracion>(
            [accion](TfrmConfiguracion* w) { accion(w); });
        QTest::keyClick(v->grdCertificados(), tecla);
    }

    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> xdg_;
    std::unique_ptr<prueba::ProgramaPrueba> programa_;
    TfrmMenu* v = nullptr;
};

}  // namespace

TEST_F(Secundarias, OpcionesSinTocarNadaDejanLosAjustesComoEstaban) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirValor("GridVerEmail", "1"));
        ASSERT_TRUE(a.EscribirValor("GridVerEmitidoPor", "1"));
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

// A switch that cannot be read counts as its default in every window: opening and closing the
// options must not store "off" for it, which silently ended the exit question.
TEST_F(Secundarias, OpcionesConLaSalidaIlegibleNoApaganLaPregunta) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
    }
    const auto tipo = [] {
        sqlite3* db = nullptr;
        sqlite3_open(RutaRegistroSqlite().c_str(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT tipo FROM valores WHERE nombre = 'PanelConfirmarSalida'", -1,
                           &st, nullptr);
        const int t = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
        sqlite3_finalize(st);
        sqlite3_close(db);
        return t;
    };
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(RutaRegistroSqlite().c_str(), &db), SQLITE_OK);
        ASSERT_EQ(
            sqlite3_exec(db, "UPDATE valores SET tipo = 4 WHERE nombre = 'PanelConfirmarSalida'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(db);
    }
    QStringList avisos;
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        if (auto* caja = qobject_cast<QMessageBox*>(d)) avisos << caja->text();
        d->close();
    });
    auto& w = Abrir();
    ASSERT_EQ(avisos.size(), 1);  // told at start-up, once
    EXPECT_TRUE(avisos[0].contains("PanelConfirmarSalida")) << avisos[0].toStdString();
    Opciones(Qt::Key_F12, [](TfrmConfiguracion* o) {
        o->btnComportamiento()->click();
        EXPECT_TRUE(o->chkConfirmarSalida()->isChecked());
        o->btnSalir()->click();
    });
    EXPECT_EQ(tipo(), 4);  // left as it was
    QStringList preguntas;
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        auto* m = qobject_cast<DialogoMensaje*>(d);
        ASSERT_NE(m, nullptr);
        preguntas << m->Texto();
        QTest::keyClick(d->focusWidget(), Qt::Key_Escape);
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(preguntas, QStringList({"¿Desea salir de Marlevanta?"}));
    EXPECT_EQ(avisos.size(), 1);
}

TEST_F(Secundarias, LaPoliticaDelSistemaEsUnaOpcionApagadaDeEntrada) {
    auto& w = Abrir();
    (void)w;
    for (const bool marcar : {true, false}) {
        Opciones(Qt::Key_F12, [marcar](TfrmConfiguracion* o) {
            o->btnComportamiento()->click();
            EXPECT_TRUE(o->chkPoliticaSistema()->isEnabled());  // the profile takes the rule here
            EXPECT_EQ(o->chkPoliticaSistema()->isChecked(), !marcar);
            EXPECT_EQ(o->chkPoliticaSistema()->text(),
                      "Aplicar también como política del navegador del sistema");
            o->chkPoliticaSistema()->click();
            o->btnSalir()->click();
        });
        EXPECT_EQ(Ajustes().LeerValor("NavegadorPoliticaSistema"), marcar ? "1" : "0");
        EXPECT_EQ(programa_->registro->LugaresRegla().size(), marcar ? 2u : 1u);
    }
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
    // Out of bounds is not stored: the last size the grid really had stays.
    EXPECT_EQ(Ajustes().LeerValor("GridTamanoFuente"), "10");
    EXPECT_EQ(w.TamanoFuenteGrid(), 10);
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
    QWidget w;
    DatosContacto c = Contacto();
    {
        TfrmAcercade a(&w, c, "1.0.4", "diciembre 2026");
        EXPECT_EQ(a.lblVersion()->text(), "Versión: 1.0.4, diciembre 2026");
        EXPECT_EQ(a.height(), 403 - 27);  // the support row collapses
        EXPECT_EQ(a.Panel2()->height(), 201 + 13 - 27);
        EXPECT_FALSE(a.lblEmailSoporte()->isVisibleTo(&a));
        EXPECT_TRUE(a.lblEmailGeneral()->isVisibleTo(&a));
    }
    // Each address opens its own message.
    c.CopyEmailSoporte = "soporte@marlevanta.example";
    {
        Capturador capturador;
        QDesktopServices::setUrlHandler("mailto", &capturador, "abrir");
        QDesktopServices::setUrlHandler("https", &capturador, "abrir");
        TfrmAcercade a(&w, c, "1.0.4", "diciembre 2026");
        EXPECT_EQ(a.height(), 403);
        a.show();
        QTest::mouseClick(a.lblCopyEmailSoporte(), Qt::LeftButton);
        QTest::mouseClick(a.lblCopyWeb(), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("mailto");
        QDesktopServices::unsetUrlHandler("https");
        EXPECT_EQ(capturador.urls, (QList<QUrl>{QUrl("mailto:soporte@marlevanta.example"),
                                                QUrl("https://www.marlevanta.example")}));
    }
    c.CopyEmailSoporte.clear();
    c.CopyWeb.clear();
    c.CopyEmailGeneral.clear();
    TfrmAcercade vacio(&w, c, "1.0.4", "diciembre 2026");
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

// A table of the environment that moves frees the one that other threads may be reading:
// the version check's and the help's questions, the store's reading.
TEST_F(Secundarias, ElMotorWebDeLaAyudaNoMueveElEntorno) {
    auto& w = Abrir();
    char** const antes = environ;
    bool conPagina = false;
    prueba::AlAbrirseDialogo([&](QWidget* a) {
        // The engine starts with the first page, if it has not yet.
        for (auto* vista : a->findChildren<QWebEngineView*>()) conPagina = vista->page();
        QTest::keyClick(a, Qt::Key_Escape);
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F1);
    EXPECT_TRUE(conPagina);
    EXPECT_EQ(environ, antes) << "the web engine added a variable of the environment";
}

TEST_F(Secundarias, ComoAdministradorLaAyudaNoSeAbreYSeDicePorQue) {
    auto& w = Abrir();
    programa_->plataforma.administrador = true;
    // Not even the module: the web engine would start without its sandbox.
    programa_->plataforma.carpetaAyudantes = "/no/existe";
    QString dicho;
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        dicho = qobject_cast<DialogoMensaje*>(d) ? qobject_cast<DialogoMensaje*>(d)->Texto()
                                                 : d->objectName();
        d->close();
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F1);
    EXPECT_EQ(dicho, QString::fromStdString(AyudaPermitida(true).motivo()));
    EXPECT_TRUE(dicho.contains("administrador (root)")) << dicho.toStdString();
    EXPECT_TRUE(AyudaPermitida(false));
}

TEST_F(Secundarias, F1ConUnServidorQueGoteaAbreEnSeguidaYAcabaPorElLimite) {
    prueba::ServidorApi s({"--modo", "goteo"});
    prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
    auto& w = Abrir();
    programa_->api->host = s.Base();
    programa_->api->segundosPregunta = 4;
    QElapsedTimer reloj;
    bool abierta = false, enBlanco = false;
    qint64 navegada = -1;
    const auto navegando = [](QWidget* a) {
        for (auto* vista : a->findChildren<QWebEngineView*>()) {
            if (!vista->url().isEmpty()) return true;
        }
        return false;
    };
    prueba::AlAbrirseDialogo([&](QWidget* a) {
        abierta = true;
        // Open while the question still runs: no address yet.
        enBlanco = !navegando(a);
        // The addresses come when the question ends: by the total limit, the stored or
        // built-in ones.
        if (prueba::EsperarQue([&] { return navegando(a); })) navegada = reloj.elapsed();
        QTest::keyClick(a, Qt::Key_Escape);
    });
    reloj.start();
    QTest::keyClick(w.grdCertificados(), Qt::Key_F1);
    EXPECT_TRUE(abierta);
    EXPECT_TRUE(enBlanco);
    EXPECT_GE(navegada, 3900);
}

TEST_F(Secundarias, AyudaConLasDireccionesDeLaApi) {
    EXPECT_EQ(DireccionAyuda("  HTTPS://Www.Marlevanta.Example/Ayuda/Uso.php "),
              "https://www.marlevanta.example/ayuda/uso.php");
    EXPECT_EQ(DireccionAyuda("about:blank"), "about:blank");
    EXPECT_EQ(DireccionAyuda("ftp://x"), "about:blank");
    EXPECT_EQ(DireccionAyuda("http://www.marlevanta.example/ayuda"), "about:blank");
    EXPECT_EQ(DireccionAyuda(""), "about:blank");

    prueba::ServidorApi paginas({"--pagina", "/uso", "<html><body>Uso</body></html>", "--pagina",
                                 "/trucos", "<html><body>Trucos</body></html>"});
    // The web engine trusts what the user's NSS database trusts: the test server's CA, here.
    const std::string nssdb = QDir::homePath().toStdString() + "/.pki/nssdb";
    prueba::Ejecutar("mkdir -p '" + nssdb + "' && (certutil -d sql:'" + nssdb +
                     "' -L >/dev/null 2>&1 || certutil -d sql:'" + nssdb +
                     "' -N --empty-password) && certutil -d sql:'" + nssdb +
                     "' -A -n 'CA de pruebas' -t C,, -i '" + paginas.Ca() + "'");
    const QString uso = paginas.Base() + "/uso";
    const QString trucos = paginas.Base() + "/trucos";
    auto registro = Ajustes();
    ASSERT_TRUE(registro.IniciarValoresSiNoExisten());
    struct Caso {
        QString respuesta;
        QString usoEsperado, trucosEsperado;
    };
    const Caso casos[] = {
        {uso + "\\n" + trucos, uso, trucos},  // new addresses are adopted
        {uso.toUpper().replace("HTTPS://", "https://") + "\\n" + trucos, uso,
         trucos},  // same once lowered
        {"https://otra.example/a\\nhttps://otra.example/b\\nx", uso,
         trucos},                                                        // three lines: ignored
        {"http://otra.example/a\\nhttp://otra.example/b", uso, trucos},  // in the clear: ignored
    };
    for (const Caso& c : casos) {
        prueba::ServidorApi api({"--respuesta", "/ayudas", c.respuesta});
        prueba::Entorno ca("SSL_CERT_FILE", api.Ca());
        TManejadorApi cliente(&CrearClienteHttp, api.Base());
        const DireccionesAyuda d = ResolverDireccionesAyuda(registro, cliente.LeerUrlsAyuda());
        EXPECT_EQ(d.uso, c.usoEsperado);
        EXPECT_EQ(d.trucos, c.trucosEsperado);
        EXPECT_EQ(registro.LeerValor("AyudaUso"), c.usoEsperado.toStdString());
    }
    {
        // A web API that fails leaves the stored addresses as they are.
        prueba::ServidorApi fallo({"--modo", "error"});
        prueba::Entorno ca("SSL_CERT_FILE", fallo.Ca());
        TManejadorApi cliente(&CrearClienteHttp, fallo.Base());
        const DireccionesAyuda d = ResolverDireccionesAyuda(registro, cliente.LeerUrlsAyuda());
        EXPECT_EQ(d.uso, uso);
        EXPECT_EQ(d.trucos, trucos);
    }
    // A page that cannot be loaded shows an empty page.
    ASSERT_TRUE(registro.EscribirValor("AyudaUso", "https://127.0.0.1:1/nada"));
    const DireccionesAyuda d = ResolverDireccionesAyuda(registro, Falla("sin red"));
    TfrmAyuda ayuda(nullptr);
    ayuda.show();
    ayuda.Navegar(d.uso, d.trucos);
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

// Qt's own dialogs, such as the export's file choice, speak Spanish like the rest.
TEST(DialogosQt, EnEspanol) {
    QTranslator* t = InstalarTraduccionesQt(*QCoreApplication::instance());
    ASSERT_NE(t, nullptr) << "Debian's qt6-translations-l10n is not installed";
    QFileDialog archivo(nullptr, QStringLiteral("Exportar lista"));
    archivo.setOption(QFileDialog::DontUseNativeDialog);
    archivo.setAcceptMode(QFileDialog::AcceptSave);
    const QLabel* buscar = archivo.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_NE(buscar, nullptr);
    QDialogButtonBox botones(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    const QString textos = buscar->text() + "|" + botones.button(QDialogButtonBox::Save)->text() +
                           "|" + botones.button(QDialogButtonBox::Cancel)->text();
    QCoreApplication::removeTranslator(t);
    delete t;
    EXPECT_EQ(textos, "Ver en:|Guardar|Cancelar");
}

#include "test_secundarias.moc"
