// A new user's first steps in the main window: an empty store that says so, importing the .p12
// from it, the details of the certificate, and the page its browser opens on.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/u_paginaInicio.h"
#include "programa_prueba.h"
#include "resultado_prueba.h"
#include "ui/u_botonUsarCertificado.h"
#include "ui/u_frmDetallesCertificado.h"
#include "ui/u_frmEditarAlias.h"
#include "ui/u_frmElegirNavegador.h"
#include "ui/u_frmImportarCertificado.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_rejillaCertificados.h"
#include "ventanas.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

const char* kClaveAna = "clave Ñandú 1";

std::string Huella(const std::string& nombre) {
    std::string h =
        prueba::OpenSsl(prueba::CarpetaP12() + "/" + nombre + ".pem", "-noout -fingerprint -sha1");
    h = h.substr(h.find('=') + 1);
    h.erase(std::remove(h.begin(), h.end(), ':'), h.end());
    return h;
}

QString P12(const char* nombre) {
    return QString::fromStdString(prueba::CarpetaP12()) + u'/' + QString::fromUtf8(nombre);
}

class PrimerUso : public testing::Test {
protected:
    void SetUp() override {
        const std::string d = dir_.path().toStdString();
        fs::create_directories(d + "/home");
        fs::create_directories(d + "/bin");
        home_ = std::make_unique<prueba::Entorno>("HOME", d + "/home");
        xdg_ = std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", d + "/config");
        path_ = std::make_unique<prueba::Entorno>("PATH",
                                                  d + "/bin:" + std::string(std::getenv("PATH")));
    }
    void TearDown() override {
        programa_.reset();
        prueba::OlvidarDialogos();
    }

    TfrmMenu& Abrir(QStringList argumentos = {}) {
        programa_ = std::make_unique<prueba::ProgramaPrueba>();
        TfrmMenu& w = programa_->Abrir(std::move(argumentos));
        w.elegirArchivo = [this](QWidget*) {
            ++elecciones_;
            return archivo_;
        };
        return w;
    }

    // Imports `archivo` from the window with Ctrl+I, typing each password in turn into the
    // dialog; what the dialog showed after each wrong one is kept.
    void ImportarConTeclas(TfrmMenu& w, const QString& archivo, QStringList claves) {
        archivo_ = archivo;
        prueba::AlAbrirseDialogoDe<TfrmImportarCertificado>(
            [this, claves](TfrmImportarCertificado* d) {
                for (const QString& c : claves) {
                    d->edtContrasena()->setText(c);
                    QTest::keyClick(d->edtContrasena(), Qt::Key_Return);
                    for (int i = 0; i < 1000 && d->Importando(); ++i) QTest::qWait(10);
                    if (!d->isVisible()) return;
                    errores_ << d->lblError()->text();
                }
                d->btnCancelar()->click();
            });
        QTest::keyClick(w.grdCertificados(), Qt::Key_I, Qt::ControlModifier);
        programa_->EsperarCarga();
    }

    // Answers the next message with its button, keeping its text.
    void Responder() {
        prueba::AlAbrirseDialogoDe<DialogoMensaje>([this](DialogoMensaje* m) {
            mensajes_ << m->Texto();
            m->BotonPorDefecto()->click();
        });
    }

    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> home_, xdg_, path_;
    std::unique_ptr<prueba::ProgramaPrueba> programa_;
    QString archivo_;
    int elecciones_ = 0;
    QStringList errores_;
    QStringList mensajes_;
};

}  // namespace

TEST_F(PrimerUso, SinAlmacenLaRejillaLoDiceYDesdeAhiSeImportaYSeSelecciona) {
    bool errorGeneral = false;
    prueba::AlAbrirseDialogoDe<QMessageBox>(
        [&](QMessageBox* m) {
            errorGeneral = true;
            m->close();
        },
        30);
    TfrmMenu& w = Abrir();
    QTest::qWait(100);
    EXPECT_FALSE(errorGeneral);
    RejillaCertificados* g = w.grdCertificados();
    EXPECT_EQ(g->Aviso(), TfrmMenu::kTextoSinCertificados);
    ASSERT_TRUE(g->btnImportar->isVisible());

    // The button of the notice, through the file dialog the program itself opens.
    w.elegirArchivo = nullptr;
    QString titulo;
    prueba::AlAbrirseDialogoDe<QFileDialog>([&](QFileDialog* f) {
        titulo = f->windowTitle();
        f->selectFile(P12("ana.p12"));
        prueba::AlAbrirseDialogoDe<TfrmImportarCertificado>([&](TfrmImportarCertificado* d) {
            EXPECT_EQ(d->windowTitle(), "Importar certificado");
            EXPECT_EQ(d->lblArchivo()->text(), "ana.p12");
            EXPECT_EQ(d->focusWidget(), d->edtContrasena());
            QTest::keyClicks(d->edtContrasena(), "mala");
            d->btnImportar()->click();
            EXPECT_TRUE(d->Importando());
            EXPECT_FALSE(d->btnImportar()->isEnabled());
            d->reject();  // not half-way
            for (int i = 0; i < 1000 && d->Importando(); ++i) QTest::qWait(10);
            EXPECT_TRUE(d->isVisible());
            EXPECT_TRUE(d->lblError()->isVisible());
            EXPECT_EQ(d->lblError()->text(),
                      QString::fromUtf8(kContrasenaIncorrecta) + " Escríbala de nuevo.");
            EXPECT_EQ(d->edtContrasena()->selectedText(), "mala");     // typed over at once
            d->edtContrasena()->insert(QString::fromUtf8(kClaveAna));  // typed over the selection
            QTest::keyClick(d->edtContrasena(), Qt::Key_Return);
            for (int i = 0; i < 1000 && d->Importando(); ++i) QTest::qWait(10);
            EXPECT_FALSE(d->isVisible());
        });
        static_cast<QDialog*>(f)->accept();
    });
    g->btnImportar->click();
    programa_->EsperarCarga();
    EXPECT_EQ(titulo, "Importar certificado");
    EXPECT_EQ(g->Aviso(), QString());
    ASSERT_EQ(w.cdsCertificados().TotalFilas(), 1);
    EXPECT_EQ(w.cdsCertificados().Actual().key_for_alias.toStdString(), Huella("ana"));
    EXPECT_EQ(w.cdsCertificados().Actual().emitido_para, "PÉREZ GARCÍA ANA - 12345678Z");
    EXPECT_TRUE(w.btnUsarCertificado()->isEnabled());
    EXPECT_EQ(w.focusWidget(), g);
}

TEST_F(PrimerUso, OtraVezElMismoOtroNuevoYUnoQueLaBusquedaEscondia) {
    TfrmMenu& w = Abrir();
    ImportarConTeclas(w, P12("ana.p12"), {kClaveAna});
    ASSERT_EQ(w.cdsCertificados().TotalFilas(), 1);

    Responder();
    ImportarConTeclas(w, P12("ana.p12"), {kClaveAna});
    EXPECT_EQ(mensajes_, QStringList{"Este certificado ya estaba en el almacén: se muestra "
                                     "seleccionado en la lista."});
    EXPECT_EQ(w.cdsCertificados().TotalFilas(), 1);

    // No password: the field is left empty. The new one is the current row.
    ImportarConTeclas(w, P12("luis.p12"), {""});
    ASSERT_EQ(w.cdsCertificados().TotalFilas(), 2);
    EXPECT_EQ(w.cdsCertificados().Actual().key_for_alias.toStdString(), Huella("luis"));

    // The same certificate again, while the search shows only the other: the search goes.
    w.edtBuscarNombre()->setText("PÉREZ");
    ASSERT_EQ(w.cdsCertificados().RecordCount(), 1);
    mensajes_.clear();
    Responder();
    ImportarConTeclas(w, P12("viejo.p12"), {"vieja"});
    EXPECT_EQ(mensajes_.size(), 1);
    EXPECT_EQ(w.edtBuscarNombre()->text(), "");
    EXPECT_EQ(w.cdsCertificados().Actual().key_for_alias.toStdString(), Huella("luis"));
    EXPECT_EQ(elecciones_, 4);
}

TEST_F(PrimerUso, LosFallosSeDicenYNadaCambia) {
    TfrmMenu& w = Abrir();
    for (const char* roto : {"corrupto.p12", "sinclave.p12"}) {
        mensajes_.clear();
        Responder();
        ImportarConTeclas(w, P12(roto), {"clave"});
        ASSERT_EQ(mensajes_.size(), 1) << roto;
        EXPECT_TRUE(mensajes_[0].contains(roto)) << mensajes_[0].toStdString();
    }
    EXPECT_TRUE(mensajes_[0].contains("no contiene la clave privada"));
    // Cancelled at the password, or no file chosen: nothing happens.
    ImportarConTeclas(w, P12("ana.p12"), {"mala", "peor"});
    EXPECT_EQ(errores_.size(), 2);
    ImportarConTeclas(w, QString(), {});
    EXPECT_EQ(w.cdsCertificados().TotalFilas(), 0);
    EXPECT_EQ(w.grdCertificados()->Aviso(), TfrmMenu::kTextoSinCertificados);
}

TEST_F(PrimerUso, ElMenuContextualImportaYMuestraLosDetalles) {
    TfrmMenu& w = Abrir();
    QMenu* menu = w.menuGrid();
    auto* importar = menu->findChild<QAction*>("miImportar");
    auto* detalles = menu->findChild<QAction*>("miVerDetalles");
    ASSERT_TRUE(importar && detalles);
    EXPECT_EQ(importar->text(), "Importar certificado… (Ctrl+I)");
    EXPECT_EQ(detalles->text(), "Ver detalles (F4)");
    archivo_ = P12("ana.p12");
    prueba::AlAbrirseDialogoDe<TfrmImportarCertificado>([](TfrmImportarCertificado* d) {
        d->edtContrasena()->setText(kClaveAna);
        d->btnImportar()->click();
    });
    importar->trigger();
    programa_->EsperarCarga();
    ASSERT_EQ(w.cdsCertificados().TotalFilas(), 1);

    const std::string pem = prueba::CarpetaP12() + "/ana.pem";
    const auto openssl = [&](const std::string& o) {
        const std::string r = prueba::OpenSsl(pem, o);
        return QString::fromStdString(r.substr(r.find('=') + 1));
    };
    QStringList vistos;
    const auto revisar = [&](TfrmDetallesCertificado* d) {
        for (int i = 0; i < 1000 && d->lblEstado()->isVisible(); ++i) QTest::qWait(10);
        EXPECT_EQ(d->windowTitle(), "Detalles del certificado");
        EXPECT_EQ(d->Valor("Emitido para"), openssl("-noout -subject -nameopt RFC2253,-esc_msb"));
        EXPECT_EQ(d->Valor("Emitido por"), openssl("-noout -issuer -nameopt RFC2253,-esc_msb"));
        EXPECT_EQ(d->Valor("Huella SHA-1"), openssl("-noout -fingerprint -sha1"));
        EXPECT_EQ(d->Valor("Huella SHA-256"), openssl("-noout -fingerprint -sha256"));
        EXPECT_EQ(d->Valor("Número de serie"), "0A:1B:2C:3D:4E:5F");
        EXPECT_EQ(d->Valor("Uso de la clave"), "Firma digital, No repudio, Cifrado de claves");
        EXPECT_EQ(d->Valor("Usos extendidos"),
                  "Autenticación del cliente (clientAuth), Protección del correo electrónico "
                  "(emailProtection)");
        EXPECT_EQ(d->Valor("Correo electrónico"), "ana.perez@correo.example, ana@trabajo.example");
        EXPECT_TRUE(d->Valor("Clave privada").startsWith("Sí"));
        QDateTime hasta =
            QDateTime::fromString(openssl("-noout -enddate -dateopt iso_8601").chopped(1),
                                  QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        hasta.setTimeSpec(Qt::UTC);
        ASSERT_TRUE(hasta.isValid());
        EXPECT_EQ(d->Valor("Válido hasta"),
                  hasta.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
        // A long name wraps at its commas instead of running off the window.
        QLabel* sujeto = d->Etiqueta("Emitido para");
        EXPECT_TRUE(sujeto->text().contains(", SN=PÉREZ GARCÍA, GN=ANA, "));
        EXPECT_TRUE(sujeto->text().contains("O=Talleres Ruiz\\, S.L., C=ES"));
        EXPECT_LE(
            QFontMetrics(sujeto->font())
                .boundingRect(QRect(0, 0, sujeto->width(), 10000), Qt::TextWordWrap, sujeto->text())
                .width(),
            sujeto->width());
        QApplication::processEvents();
        EXPECT_GE(sujeto->height(), sujeto->heightForWidth(sujeto->width()));
        // Every value can be selected, and copied whole with its button.
        QLabel* serie = d->Etiqueta("Número de serie");
        EXPECT_TRUE(serie->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
        d->BotonCopiar("Huella SHA-256")->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), d->Valor("Huella SHA-256"));
        EXPECT_FALSE(d->Valor("Huella SHA-256").contains(u'\n'));
        d->btnCopiarTodo()->click();
        EXPECT_TRUE(
            QGuiApplication::clipboard()->text().contains("Número de serie: 0A:1B:2C:3D:4E:5F\n"));
        vistos << d->Valor("Huella SHA-1");
        QTest::keyClick(d, Qt::Key_Escape);
    };
    prueba::AlAbrirseDialogoDe<TfrmDetallesCertificado>(revisar);
    detalles->trigger();
    prueba::AlAbrirseDialogoDe<TfrmDetallesCertificado>(revisar);
    QTest::keyClick(w.edtBuscarNombre(), Qt::Key_F4);  // the key works wherever the focus is
    EXPECT_EQ(vistos.size(), 2);
}

TEST_F(PrimerUso, EnModoDemostracionNiSeImportaNiHayDetalles) {
    TfrmMenu& w = Abrir({"/demo"});
    Responder();
    QTest::keyClick(w.grdCertificados(), Qt::Key_I, Qt::ControlModifier);
    Responder();
    QTest::keyClick(w.grdCertificados(), Qt::Key_F4);
    EXPECT_EQ(mensajes_, (QStringList{"En el modo de demostración no se importan certificados.",
                                      "Los certificados de demostración no tienen más detalles."}));
    EXPECT_EQ(elecciones_, 0);
}

TEST(PaginaInicio, SoloDireccionesHttpsQueElNavegadorNoTomeComoOtraCosa) {
    for (const char* buena : {"", "  ", "https://sede.ejemplo.es", "HTTPS://Sede.Ejemplo.es/a?b=1",
                              " https://sede.ejemplo.es/acceso#x "}) {
        EXPECT_EQ(MotivoPaginaRechazada(QString::fromUtf8(buena)), "") << buena;
    }
    for (const char* mala :
         {"http://sede.ejemplo.es", "sede.ejemplo.es", "--incognito", "https://", "https:///x",
          "file:///etc/passwd", "https://sede ejemplo.es", "javascript:alert(1)"}) {
        EXPECT_TRUE(MotivoPaginaRechazada(QString::fromUtf8(mala)).startsWith("Sólo se admiten"))
            << mala;
    }
    const ComandoPorNavegador base = [](Navegador) {
        return Resultado<ComandoNavegador>(ComandoNavegador{"chrome", {"--user-data-dir=x"}});
    };
    EXPECT_EQ(ConPaginaInicio(base, " https://a.es/b ")(Navegador::Chrome)->argumentos,
              (std::vector<std::string>{"--user-data-dir=x", "https://a.es/b"}));
    for (const char* nada : {"", "--incognito"}) {
        EXPECT_EQ(ConPaginaInicio(base, nada)(Navegador::Edge)->argumentos,
                  std::vector<std::string>{"--user-data-dir=x"});
    }
    const ComandoPorNavegador falta = [](Navegador) {
        return Resultado<ComandoNavegador>(Falla("No está"));
    };
    EXPECT_EQ(ConPaginaInicio(falta, "https://a.es")(Navegador::Chrome).motivo(), "No está");
}

TEST_F(PrimerUso, LaPaginaDeInicioSeEditaConElAliasYElNavegadorLaRecibe) {
    const std::string log = dir_.path().toStdString() + "/argumentos";
    {
        std::ofstream s(dir_.path().toStdString() + "/bin/google-chrome");
        s << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << log << "'\n";
    }
    fs::permissions(dir_.path().toStdString() + "/bin/google-chrome", fs::perms::owner_all);
    TfrmMenu& w = Abrir({"/demo"});
    w.edtBuscarNombre()->setText("RUIZ CASTRO");
    const RegistroCertificado fila = w.cdsCertificados().Actual();
    ASSERT_EQ(fila.id, 12);
    const auto usar = [&] {
        fs::remove(log);
        prueba::AlAbrirseDialogoDe<TfrmElegirNavegador>([](TfrmElegirNavegador* d) {
            QTest::keyClick(d, Qt::Key_C);
            for (int i = 0; i < 1000 && d->Ejecutando(); ++i) QTest::qWait(10);
            QTest::keyClick(d, Qt::Key_Escape);
        });
        QTest::keyClick(w.grdCertificados(), Qt::Key_Return);
        std::ifstream f(log);
        std::vector<std::string> argumentos;
        for (std::string l; std::getline(f, l);) argumentos.push_back(l);
        return argumentos;
    };
    // Nothing stored: the browser opens as it always has.
    EXPECT_EQ(usar().size(), 1u);

    QString refusal;
    prueba::AlAbrirseDialogoDe<TfrmEditarAlias>([&](TfrmEditarAlias* d) {
        EXPECT_EQ(d->edtPagina()->text(), "");
        d->edtAlias()->setText("Sede");
        d->edtPagina()->setText("http://sede.ejemplo.es/acceso");
        QTest::keyClick(d->edtAlias(), Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());  // refused: it says why and stays open
        refusal = d->lblAvisoPagina()->text();
        EXPECT_EQ(d->focusWidget(), d->edtPagina());
        d->edtPagina()->setText("  https://sede.ejemplo.es/acceso?x=1  ");
        QTest::keyClick(d->edtPagina(), Qt::Key_Escape);
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F2);
    EXPECT_TRUE(refusal.startsWith("Sólo se admiten direcciones seguras")) << refusal.toStdString();
    EXPECT_EQ(w.cdsCertificados().Actual().alias, "Sede");
    EXPECT_EQ(LeerPaginaInicio(*programa_->registro, "DEMO-12"),
              "https://sede.ejemplo.es/acceso?x=1");
    const auto argumentos = usar();
    ASSERT_EQ(argumentos.size(), 2u);
    EXPECT_EQ(argumentos[1], "https://sede.ejemplo.es/acceso?x=1");

    // Opened again it shows the page; emptied, the browser opens blank once more.
    prueba::AlAbrirseDialogoDe<TfrmEditarAlias>([&](TfrmEditarAlias* d) {
        EXPECT_EQ(d->edtPagina()->text(), "https://sede.ejemplo.es/acceso?x=1");
        d->edtPagina()->clear();
        d->btnSalir()->click();
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F2);
    EXPECT_EQ(LeerPaginaInicio(*programa_->registro, "DEMO-12"), "");
    EXPECT_EQ(usar().size(), 1u);
    // Each certificate has its own.
    EXPECT_TRUE(EscribirPaginaInicio(*programa_->registro, "DEMO-13", "https://otra.example"));
    EXPECT_EQ(usar().size(), 1u);
}
