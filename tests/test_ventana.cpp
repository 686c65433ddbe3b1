#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "ayudantes.h"
#include "core/u_arranque.h"
#include "platform/linux/u_politicasArchivos.h"
#include "platform/linux/u_registroSqlite.h"
#include "platform/linux/u_reglasLinux.h"
#include "platform/u_sistema.h"
#include "programa_prueba.h"
#include "resultado_prueba.h"
#include "servidor_api.h"
#include "tabla_prueba.h"
#include "ui/u_botonUsarCertificado.h"
#include "ui/u_frmActualizadorInternet.h"
#include "ui/u_frmConfiguracion.h"
#include "ui/u_frmEditarAlias.h"
#include "ui/u_frmElegirNavegador.h"
#include "ui/u_frmMenu.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_modeloCertificados.h"
#include "ui/u_rejillaCertificados.h"
#include "ventanas.h"

using namespace marlevanta;
namespace fs = std::filesystem;

namespace {

class Ventana : public testing::Test {
protected:
    void SetUp() override {
        xdg_ = std::make_unique<prueba::Entorno>("XDG_CONFIG_HOME", dir_.path().toStdString());
    }
    void TearDown() override {
        Cerrar();  // destroyed without the close question
        prueba::OlvidarDialogos();
    }
    void Cerrar() {
        if (programa_) programa_->Cerrar();
        programa_.reset();
        v = nullptr;
    }

    // The settings as another run of the program would find them.
    TManejadorRegistro Ajustes() {
        return TManejadorRegistro(CrearRegistroUsuario(), [] {
            return TamanoPantalla{1920, 1080};
        });
    }

    TfrmMenu& Abrir(QStringList argumentos = {QStringLiteral("/demo")}) {
        programa_ = std::make_unique<prueba::ProgramaPrueba>(TamanoPantalla{1920, 1080});
        v = &programa_->Abrir(std::move(argumentos));
        return *v;
    }

    // Closes the window answering the exit question with Yes.
    void CerrarDiciendoSi() {
        prueba::AlAbrirseDialogo(
            [](QWidget* d) { QTest::keyClick(d->focusWidget(), Qt::Key_Return); });
        QTest::keyClick(v->grdCertificados(), Qt::Key_Escape);
        QApplication::processEvents();
        ASSERT_FALSE(v->isVisible());
        Cerrar();
    }

    QStringList Vista() { return prueba::Vista(v->cdsCertificados()); }

    QTemporaryDir dir_;
    std::unique_ptr<prueba::Entorno> xdg_;
    std::unique_ptr<prueba::ProgramaPrueba> programa_;
    TfrmMenu* v = nullptr;
};

}  // namespace

TEST(ArgumentosDemo, MayusculasYBlancosDaIgual) {
    EXPECT_TRUE(ArgumentosPidenDemo({"/DEMO"}));
    EXPECT_TRUE(ArgumentosPidenDemo({"otro", " /demo "}));
    EXPECT_FALSE(ArgumentosPidenDemo({"-demo"}));
    EXPECT_FALSE(ArgumentosPidenDemo({"demo", "/demos"}));
    EXPECT_FALSE(ArgumentosPidenDemo({}));
}

TEST(Descripcion, AliasRecortadoYNombreTalCual) {
    RegistroCertificado r;
    r.emitido_para = " ANA - 1Z";
    r.alias = "  Ebro  ";
    EXPECT_EQ(DescripcionCertificado(r), "Ebro -  ANA - 1Z");
    r.alias = "   ";
    EXPECT_EQ(DescripcionCertificado(r), " ANA - 1Z");
}

TEST_F(Ventana, PrimerArranqueSinAjustes) {
    auto& w = Abrir();
    EXPECT_TRUE(
        w.windowTitle().startsWith("Marlevanta - Buscador de certificados SSL (Versión 1.0.4 - "));
    EXPECT_EQ(w.pos(), QPoint(510, 270));
    EXPECT_EQ(w.size(), QSize(950, 670));  // 900 x 540 grown to the minimum
    EXPECT_TRUE(w.chkVerCertificadosCliente()->isChecked());
    EXPECT_TRUE(w.chkOcultarCaducados()->isChecked());
    EXPECT_FALSE(w.chkProximos()->isChecked());
    EXPECT_EQ(w.cmbOrden()->currentIndex(), 0);
    EXPECT_EQ(w.TamanoFuenteGrid(), 10);
    EXPECT_EQ(w.TamanoFuenteTitulos(), 13);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(w.grdCertificados()->isColumnHidden(i));
    for (int i = 4; i < 8; ++i) EXPECT_TRUE(w.grdCertificados()->isColumnHidden(i));
    EXPECT_EQ(w.grdCertificados()->columnWidth(1), 400);
    // Client certificates, not expired: rows 0, 1, 3, 5 and 6 are out.
    EXPECT_EQ(w.cdsCertificados().RecordCount(), 29);
    EXPECT_EQ(w.cdsCertificados().Actual().id, 2);
    EXPECT_EQ(w.focusWidget(), w.grdCertificados());
    EXPECT_EQ(w.btnUsarCertificado()->Caption(), "Usar certificado 3\rEbrotrans");
    EXPECT_TRUE(w.btnUsarCertificado()->isEnabled());
    CerrarDiciendoSi();
    auto a = Ajustes();
    EXPECT_EQ(a.LeerValor("FormTop"), "270");
    EXPECT_EQ(a.LeerValor("FormWidth"), "950");
    EXPECT_EQ(a.LeerValor("GridAnchoColumnas"), "50,400,200,120,-1,-1,-1,-1");
    EXPECT_EQ(a.LeerValor("GridColumnaOrden"), "0");
}

TEST_F(Ventana, ReglasQueQuedaronSeQuitanAlAbrirYAlCerrarSalvoLasDeOtraCopia) {
    QTemporaryDir raiz;
    prueba::Entorno politicas("MARLEVANTA_POLICY_ROOT", raiz.path().toStdString());
    prueba::Entorno home("HOME", raiz.path().toStdString() + "/casa");
    auto almacen = CrearReglasLinux(raiz.path().toStdString());
    const ReglaCertificado rota{"DE UNA EJECUCION ROTA", "AC"};
    for (Navegador n : {Navegador::Chrome, Navegador::Edge}) {
        for (LugarRegla l : {LugarRegla::Perfil, LugarRegla::PoliticaSistema}) {
            ASSERT_TRUE(almacen->Escribir(n, l, rota));
        }
    }
    Abrir();
    for (Navegador n : {Navegador::Chrome, Navegador::Edge}) {
        for (LugarRegla l : {LugarRegla::Perfil, LugarRegla::PoliticaSistema}) {
            EXPECT_EQ(almacen->Eliminar(n, l), false);
        }
    }
    // Another copy has a run going with Chrome when this one closes: its rule stays.
    ASSERT_TRUE(almacen->Escribir(Navegador::Edge, LugarRegla::Perfil, {"OTRA", "AC"}));
    ASSERT_TRUE(almacen->Escribir(Navegador::Chrome, LugarRegla::Perfil, {"VIVA", "AC"}));
    auto turno = ReservarTurno(Navegador::Chrome);
    ASSERT_TRUE(turno);
    CerrarDiciendoSi();
    EXPECT_EQ(almacen->Eliminar(Navegador::Edge, LugarRegla::Perfil), false);
    EXPECT_EQ(almacen->Eliminar(Navegador::Chrome, LugarRegla::Perfil), true);
}

TEST_F(Ventana, EscapePreguntaYNoDejaLaVentanaComoEstaba) {
    auto& w = Abrir();
    w.chkVerCertificadosCliente()->setChecked(false);
    QString pregunta;
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        pregunta = d->findChild<QLabel*>("Message")->text();
        QTest::keyClick(d->focusWidget(), Qt::Key_Escape);  // No
    });
    QTest::keyClick(w.edtBuscarNombre(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(pregunta, "¿Desea salir de Marlevanta?");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(Ajustes().LeerValor("PanelSoloCertificadosCliente"), "1");  // nothing written
    CerrarDiciendoSi();
    EXPECT_EQ(Ajustes().LeerValor("PanelSoloCertificadosCliente"), "0");
}

TEST_F(Ventana, SinConfirmarSalidaCierraSinPreguntar) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirValor("PanelConfirmarSalida", "0"));
    }
    auto& w = Abrir();
    QTest::keyClick(w.grdCertificados(), Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(Ventana, EnterUsaElCertificadoSoloConElBotonActivo) {
    auto& w = Abrir();
    int abiertos = 0;
    QString descripcion;
    ReglaCertificado certificado;
    const auto leerYSalir = [&](QWidget* d) {
        auto* dialogo = qobject_cast<TfrmElegirNavegador*>(d);
        ASSERT_NE(dialogo, nullptr);
        ++abiertos;
        descripcion = dialogo->lblCertificado()->text();
        certificado = dialogo->certificado;
        QTest::keyClick(dialogo, Qt::Key_Escape);
    };
    prueba::AlAbrirseDialogo(leerYSalir);
    QTest::keyClick(w.edtBuscarNombre(), Qt::Key_Return);
    EXPECT_EQ(abiertos, 1);
    EXPECT_EQ(descripcion,
              Aislado("Ebrotrans") + " - " + Aislado("GARCÍA LÓPEZ MARÍA - 12345678Z"));
    EXPECT_EQ(certificado.sujeto, "GARCÍA LÓPEZ MARÍA - 12345678Z");
    EXPECT_EQ(certificado.emisor, "AC FNMT Usuarios");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.cdsCertificados().Actual().id, 2);  // nothing changes in the main window

    // Row 5 has expired: the button is off and Enter goes on to the search box.
    w.chkOcultarCaducados()->setChecked(false);
    w.edtBuscarNombre()->setText("MARTÍNEZ RUIZ");
    ASSERT_EQ(w.cdsCertificados().Actual().id, 5);
    EXPECT_FALSE(w.btnUsarCertificado()->isEnabled());
    QSignalSpy enterEnBusqueda(w.edtBuscarNombre(), &QLineEdit::returnPressed);
    prueba::OlvidarDialogos();
    prueba::AlAbrirseDialogo(leerYSalir, 20);
    QTest::keyClick(w.edtBuscarNombre(), Qt::Key_Return);
    EXPECT_EQ(enterEnBusqueda.count(), 1);
    QTest::mouseDClick(w.grdCertificados()->viewport(), Qt::LeftButton, {},
                       w.grdCertificados()->visualRect(w.Modelo()->index(0, 1)).center());
    QTest::qWait(300);
    EXPECT_EQ(abiertos, 1);

    // Everything filtered out: both buttons off, the caption keeps only its first line.
    w.edtBuscarNombre()->setText("no existe");
    // The search waits for the event loop; reading the table applies it.
    ASSERT_EQ(w.cdsCertificados().RecordCount(), 0);
    EXPECT_EQ(w.btnUsarCertificado()->Caption(), "Usar certificado \r");
    EXPECT_FALSE(w.btnUsarCertificado()->isEnabled());
    EXPECT_FALSE(w.btnEditarAlias()->isEnabled());
}

TEST_F(Ventana, DosCertificadosQueLaReglaNoDistingueSeAvisanAntesDeElegirNavegador) {
    auto& w = Abrir();
    // Rows 29 and 31 of the demonstration have the same name, issuer and dates.
    w.edtBuscarNombre()->setText("60708090R");
    ASSERT_EQ(w.cdsCertificados().RecordCount(), 2);
    for (const TMsgDlgBtn respuesta : {mbNo, mbYes}) {
        QString aviso;
        int elecciones = 0;
        prueba::AlAbrirseDialogo([&](QWidget* d) {
            auto* m = qobject_cast<DialogoMensaje*>(d);
            ASSERT_NE(m, nullptr);
            aviso = m->Texto();
            ASSERT_NE(m->Boton(mbYes), nullptr);
            m->Boton(respuesta)->click();
            prueba::AlAbrirseDialogoDe<TfrmElegirNavegador>([&](TfrmElegirNavegador* e) {
                ++elecciones;
                QTest::keyClick(e, Qt::Key_Escape);
            });
        });
        QTest::keyClick(w.grdCertificados(), Qt::Key_Return);
        prueba::EsperarQue([&] { return !aviso.isEmpty(); });
        EXPECT_TRUE(aviso.startsWith("Tiene 2 certificados con el mismo nombre («" +
                                     Aislado("CRESPO CALVO BEATRIZ - 60708090R") + "»)"))
            << aviso.toStdString();
        EXPECT_TRUE(aviso.contains("cualquiera de ellos")) << aviso.toStdString();
        EXPECT_EQ(elecciones, respuesta == mbYes ? 1 : 0);
        prueba::OlvidarDialogos();
    }
}

TEST_F(Ventana, TeclasDeFuncion) {
    auto& w = Abrir();
    w.edtBuscarNombre()->setText("moreno");
    QTest::keyClick(w.grdCertificados(), Qt::Key_F8);
    EXPECT_EQ(w.edtBuscarNombre()->text(), "");
    EXPECT_EQ(w.focusWidget(), w.grdCertificados());
    QTest::keyClick(w.grdCertificados(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(w.focusWidget(), w.edtBuscarNombre());

    // F5 reloads and keeps search, switches and order.
    QTest::keyClicks(w.edtBuscarNombre(), "ruiz");
    w.chkProximos()->setChecked(true);
    w.cmbOrden()->setCurrentIndex(1);
    QTest::keyClick(w.edtBuscarNombre(), Qt::Key_F5);
    EXPECT_EQ(w.edtBuscarNombre()->text(), "ruiz");
    EXPECT_TRUE(w.chkProximos()->isChecked());
    EXPECT_EQ(w.cdsCertificados().IndexName(), kIndiceInEmitidoPara);
    EXPECT_EQ(w.Modelo()->ColumnaResaltada(), 1);
    EXPECT_EQ(Vista(), QStringList{"RUIZ CASTRO PABLO - 89012345E"});
    EXPECT_EQ(w.cdsCertificados().RecNo(), 1);
    EXPECT_EQ(w.focusWidget(), w.grdCertificados());
}

TEST_F(Ventana, TamanoDeFuenteConElTecladoNumerico) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirValor("GridTamanoFuente", "40"));
    }
    auto& w = Abrir();
    EXPECT_EQ(w.TamanoFuenteGrid(), 40);
    for (int i = 0; i < 11; ++i) {
        QTest::keyClick(w.grdCertificados(), Qt::Key_Plus,
                        Qt::ControlModifier | Qt::KeypadModifier);
    }
    EXPECT_EQ(w.TamanoFuenteGrid(), 48);
    EXPECT_EQ(w.TamanoFuenteTitulos(), 51);
    EXPECT_EQ(w.grdCertificados()->columnWidth(1), 48 * 40);
    QTest::keyClick(w.grdCertificados(), Qt::Key_Plus, Qt::ControlModifier);  // main keyboard
    QTest::keyClick(w.grdCertificados(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(w.TamanoFuenteGrid(), 48);
    QTest::keyClick(w.grdCertificados(), Qt::Key_Minus,
                    Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(w.TamanoFuenteGrid(), 47);
    QTest::keyClick(w.grdCertificados(), Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(w.TamanoFuenteGrid(), 10);
    EXPECT_EQ(w.TamanoFuenteTitulos(), 13);
    EXPECT_EQ(w.grdCertificados()->columnWidth(3), 120);
    QTest::keyClick(w.grdCertificados(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    QTest::keyClick(w.grdCertificados(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    for (int i = 0; i < 8; ++i) {
        const int esperado[] = {60, 480, 240, 144, 300, 360, 144, 420};
        EXPECT_EQ(w.AnchoColumna(i), esperado[i]) << i;
    }
    CerrarDiciendoSi();
    EXPECT_EQ(Ajustes().LeerValor("GridTamanoFuente"), "12");
    EXPECT_EQ(Ajustes().LeerValor("GridAnchoColumnas"), "60,480,240,144,-1,-1,-1,-1");
}

TEST_F(Ventana, InterruptoresEnlazados) {
    auto& w = Abrir();
    w.chkOcultarCaducados()->click();
    EXPECT_FALSE(w.chkOcultarCaducados()->isChecked());
    // An unreadable certificate stays in sight whatever the switches: only a search hides it.
    EXPECT_EQ(w.cdsCertificados().Filter(), "(ilegible = 1 or (propositos like '%clientAuth%'))");
    w.chkProximos()->click();
    EXPECT_TRUE(w.chkOcultarCaducados()->isChecked());
    EXPECT_FALSE(w.chkOcultarCaducados()->isEnabled());
    EXPECT_TRUE(w.cdsCertificados().Filter().startsWith(
        "(ilegible = 1 or (proximo_a_caducar = 1  and not fecha_caducidad < '"))
        << w.cdsCertificados().Filter().toStdString();
    QStringList proximos = Vista();
    EXPECT_TRUE(proximos.contains("NÚÑEZ PEÑA LUCÍA - 34567890V"));
    EXPECT_TRUE(proximos.contains("MÉNDEZ VEGA SERGIO - 70809010W"));
    w.chkProximos()->click();
    EXPECT_TRUE(w.chkOcultarCaducados()->isEnabled());
    EXPECT_TRUE(w.chkOcultarCaducados()->isChecked());
    w.chkOcultarCaducados()->click();
    w.chkVerCertificadosCliente()->click();
    EXPECT_FALSE(w.cdsCertificados().Filtered());
    EXPECT_EQ(w.cdsCertificados().RecordCount(), 34);
}

TEST_F(Ventana, ArranqueConProximosYSinOcultar) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirValor("PanelProximosCaducar", "1"));
        ASSERT_TRUE(a.EscribirValor("PanelOcultarCertificadosCaducados", "0"));
    }
    auto& w = Abrir();
    EXPECT_TRUE(w.chkProximos()->isChecked());
    EXPECT_TRUE(w.chkOcultarCaducados()->isChecked());
    EXPECT_FALSE(w.chkOcultarCaducados()->isEnabled());
    CerrarDiciendoSi();
    EXPECT_EQ(Ajustes().LeerValor("PanelOcultarCertificadosCaducados"), "1");
    EXPECT_EQ(Ajustes().LeerValor("PanelProximosCaducar"), "1");
}

TEST_F(Ventana, BusquedaDesdeLaRejillaYCaracteresRechazados) {
    auto& w = Abrir();
    w.edtBuscarNombre()->setText("xyz");
    w.grdCertificados()->setFocus();
    QTest::keyClicks(w.grdCertificados(), "m");
    EXPECT_EQ(w.edtBuscarNombre()->text(), "m");
    EXPECT_EQ(w.focusWidget(), w.edtBuscarNombre());
    EXPECT_EQ(w.edtBuscarNombre()->cursorPosition(), 1);
    EXPECT_FALSE(w.edtBuscarNombre()->hasSelectedText());
    QTest::keyClicks(w.edtBuscarNombre(), "o%r*e");
    EXPECT_EQ(w.edtBuscarNombre()->text(), "more");
    EXPECT_EQ(w.cdsCertificados().RecordCount(), 2);
    w.grdCertificados()->setFocus();
    QTest::keyClicks(w.grdCertificados(), "-");  // not a letter or digit: left alone
    EXPECT_EQ(w.edtBuscarNombre()->text(), "more");
    w.edtBuscarNombre()->setText(QString(50, u'a'));  // pasted
    EXPECT_EQ(w.edtBuscarNombre()->text().size(), 40);
}

TEST_F(Ventana, OrdenDesdeElMenuContextual) {
    auto& w = Abrir();
    w.menuGrid()->findChild<QAction*>("miOrdenAlias")->trigger();
    EXPECT_EQ(w.cmbOrden()->currentText(), "Ordenado por Alias");
    EXPECT_EQ(w.cdsCertificados().IndexName(), kIndiceInAlias);
    EXPECT_EQ(w.Modelo()->ColumnaResaltada(), 2);
    const QModelIndex alias = w.Modelo()->index(0, 2);
    EXPECT_EQ(alias.data(Qt::BackgroundRole).value<QColor>(),
              QGuiApplication::palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(w.Modelo()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(Vista().last(), "GARCÍA LÓPEZ MARÍA - 12345678Z");  // the one row with an alias
    EXPECT_EQ(w.cdsCertificados().RecNo(), 1);
    CerrarDiciendoSi();
    EXPECT_EQ(Ajustes().LeerValor("GridColumnaOrden"), "2");
}

TEST_F(Ventana, ColoresDeLasFilas) {
    auto& w = Abrir();
    w.chkOcultarCaducados()->setChecked(false);
    w.chkVerCertificadosCliente()->setChecked(false);
    const auto color = [&](int id) {
        for (int i = 0; i < w.cdsCertificados().RecordCount(); ++i) {
            if (w.cdsCertificados().Fila(i).id == id)
                return w.Modelo()->index(i, 1).data(Qt::ForegroundRole);
        }
        return QVariant();
    };
    EXPECT_EQ(color(5).value<QColor>(), ModeloCertificados::kRojo);
    EXPECT_EQ(color(7).value<QColor>(), ModeloCertificados::kAzul);
    EXPECT_FALSE(color(8).isValid());  // the grid's own colour
}

TEST_F(Ventana, CerradaMaximizadaReabreMaximizadaSinTocarMedidas) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirValor("FormWidth", "1000"));
    }
    Abrir().showMaximized();
    QApplication::processEvents();
    CerrarDiciendoSi();
    auto a = Ajustes();
    EXPECT_EQ(a.LeerValor("FormMaximized"), "1");
    EXPECT_EQ(a.LeerValor("FormWidth"), "1000");
    auto& w = Abrir();
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
}

TEST_F(Ventana, BordesFueraDeLaPantalla) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirValor("FormLeft", "3000"));
        ASSERT_TRUE(a.EscribirValor("FormTop", "1200"));
        ASSERT_TRUE(a.EscribirValor("FormHeight", "700"));
    }
    EXPECT_EQ(Abrir().pos(), QPoint(1920 - 950, 1080 - 700 - 20));
    Cerrar();
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.EscribirValor("FormLeft", "-500"));
        ASSERT_TRUE(a.EscribirValor("FormTop", "1080"));
    }
    // Left of the screen stays (a monitor there); a top edge on the screen's bottom edge would
    // hide the whole window, and is brought up as far as the one past it.
    EXPECT_EQ(Abrir().pos(), QPoint(-500, 1080 - 700 - 20));
}

TEST_F(Ventana, BordeQueNoEsNumeroSeAvisaYLaVentanaSeAbre) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirValor("FormTop", "abc"));
        ASSERT_TRUE(a.EscribirValor("PanelSoloCertificadosCliente", "0"));
    }
    QString mensaje;
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        if (auto* caja = qobject_cast<QMessageBox*>(d)) mensaje = caja->text();
        d->close();
    });
    auto& w = Abrir();
    // One message that names the file and the value, and the window still opens: centred, as
    // without stored edges, with every other setting applied.
    EXPECT_TRUE(mensaje.contains(QString::fromStdString(RutaRegistroSqlite())))
        << mensaje.toStdString();
    EXPECT_TRUE(mensaje.contains("FormTop: \"abc\" no es un número entero"))
        << mensaje.toStdString();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.pos(), QPoint(485, 205));
    EXPECT_FALSE(w.chkVerCertificadosCliente()->isChecked());
    EXPECT_EQ(w.cdsCertificados().RecordCount(), 33);  // 29 with the switch on
}

TEST_F(Ventana, ModoDemoSoloConElArgumento) {
    QTemporaryDir home;
    prueba::Entorno h("HOME", home.path().toStdString());  // no NSS database there
    QString error;
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        if (auto* caja = qobject_cast<QMessageBox*>(d)) error = caja->text();
        d->close();
    });
    auto& w = Abrir({"-demo"});
    EXPECT_FALSE(w.modo_demo);
    // No store yet is no error: the grid says so and offers the import.
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(w.grdCertificados()->Aviso(), TfrmMenu::kTextoSinCertificados);
    EXPECT_TRUE(w.grdCertificados()->btnImportar->isVisible());
    EXPECT_EQ(w.cdsCertificados().RecordCount(), 0);
    EXPECT_FALSE(w.btnUsarCertificado()->isEnabled());
    EXPECT_FALSE(w.btnEditarAlias()->isEnabled());
    Cerrar();
    EXPECT_TRUE(Abrir({"x", " /DEMO "}).modo_demo);
}

TEST_F(Ventana, EditarAliasConEscapeLoGuarda) {
    auto& w = Abrir();
    w.edtBuscarNombre()->setText("RUIZ CASTRO");
    ASSERT_EQ(w.cdsCertificados().Actual().id, 12);
    QString certificado;
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        auto* editor = qobject_cast<TfrmEditarAlias*>(d);
        ASSERT_NE(editor, nullptr);
        certificado = editor->lblCertificado()->text();
        // The dialog's own focus, whatever window the system has made active by now.
        EXPECT_EQ(editor->focusWidget(), editor->edtAlias());
        QTest::keyClicks(editor->edtAlias(), "  Talleres Ruiz  ");
        QTest::keyClick(editor->edtAlias(), Qt::Key_Escape);
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F2);
    EXPECT_EQ(certificado, "RUIZ CASTRO PABLO - 89012345E");
    EXPECT_EQ(w.cdsCertificados().Actual().alias, "Talleres Ruiz");
    EXPECT_EQ(w.btnUsarCertificado()->Caption(), "Usar certificado 13\rTalleres Ruiz");
    EXPECT_EQ(Ajustes().LeerAlias("DEMO-12"), "Talleres Ruiz");
    EXPECT_EQ(w.focusWidget(), w.grdCertificados());

    // Blanks only: stored empty, and the button shows the subject again.
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        auto* editor = qobject_cast<TfrmEditarAlias*>(d);
        editor->edtAlias()->setText("   ");
        editor->btnCerrar()->click();
    });
    w.menuGrid()->findChild<QAction*>("miEditarAlias")->trigger();
    EXPECT_EQ(w.cdsCertificados().Actual().alias, "");
    EXPECT_EQ(Ajustes().LeerAlias("DEMO-12"), "");
    EXPECT_EQ(w.btnUsarCertificado()->Caption(),
              "Usar certificado 13\rRUIZ CASTRO PABLO - 89012345E");
}

// A reload that finishes while the alias dialog is open replaces the rows: the alias still goes
// to the certificate the dialog was opened for, and an emptied table throws nothing.
TEST_F(Ventana, AliasEditadoMientrasUnaRecargaCambiaLasFilas) {
    auto& w = Abrir();
    w.edtBuscarNombre()->setText("RUIZ CASTRO");
    TTablaCertificados& t = w.cdsCertificados();
    ASSERT_EQ(t.Actual().key_for_alias, "DEMO-12");
    std::vector<RegistroCertificado> filas;
    for (int i = t.TotalFilas() - 1; i >= 0; --i) filas.push_back(t.FilaCargada(i));
    const int total = t.TotalFilas();
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        auto* editor = qobject_cast<TfrmEditarAlias*>(d);
        ASSERT_NE(editor, nullptr);
        w.edtBuscarNombre()->clear();
        t.Reemplazar(TTablaCertificados::Preparar(filas));  // the same rows, another order
        editor->edtAlias()->setText("Talleres Ruiz");
        editor->btnCerrar()->click();
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F2);
    EXPECT_EQ(Ajustes().LeerAlias("DEMO-12"), "Talleres Ruiz");
    int conAlias = 0;
    for (int i = 0; i < t.TotalFilas(); ++i) {
        const RegistroCertificado& r = t.FilaCargada(i);
        if (r.alias == "Talleres Ruiz") {
            ++conAlias;
            EXPECT_EQ(r.key_for_alias, "DEMO-12");
        }
    }
    EXPECT_EQ(conAlias, 1);
    EXPECT_EQ(t.TotalFilas(), total);
    EXPECT_EQ(t.Actual().key_for_alias, "DEMO-12");

    prueba::AlAbrirseDialogo([&](QWidget* d) {
        auto* editor = qobject_cast<TfrmEditarAlias*>(d);
        ASSERT_NE(editor, nullptr);
        t.Reemplazar(TTablaCertificados::Preparar({}));
        editor->edtAlias()->setText("Ruiz");
        editor->btnCerrar()->click();
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F2);
    EXPECT_EQ(Ajustes().LeerAlias("DEMO-12"), "Ruiz");  // stored for the next load
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_FALSE(w.btnEditarAlias()->isEnabled());
}

TEST_F(Ventana, VersionNuevaAlArrancar) {
    prueba::ServidorApi s({"--respuesta", "/version", "10005\\nMejoras"});
    prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirValor("ApiHost", s.Base().toStdString()));
        ASSERT_TRUE(a.EscribirValor("PanelComprobarActualizaciones", "0"));
    }
    auto& w = Abrir();
    // The window is there before the answer.
    EXPECT_EQ(w.lblUpdate()->text(), "Marlevanta está actualizado");
    programa_->EsperarFondo();
    EXPECT_EQ(w.lblUpdate()->text(), "Disponible la versión 1.0.5");
    EXPECT_EQ(w.lblUpdateTag, 1);
    EXPECT_EQ(w.lblUpdate()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(w.lblUpdate()->cursor().shape(), Qt::PointingHandCursor);
    QEvent entrar(QEvent::Enter);
    QApplication::sendEvent(w.lblUpdate(), &entrar);
    EXPECT_TRUE(w.lblUpdate()->font().underline());
    QEvent salir(QEvent::Leave);
    QApplication::sendEvent(w.lblUpdate(), &salir);
    EXPECT_FALSE(w.lblUpdate()->font().underline());
    Cerrar();

    ASSERT_TRUE(Ajustes().EscribirValor("PanelComprobarActualizaciones", "1"));
    QString pregunta;
    prueba::AlAbrirseDialogoDe<DialogoMensaje>([&](DialogoMensaje* m) {
        pregunta = m->Texto();
        EXPECT_EQ(m->BotonPorDefecto()->text(), "Sí");
        m->Boton(mbNo)->click();
    });
    Abrir();
    programa_->EsperarFondo();
    EXPECT_TRUE(pregunta.startsWith(
        "Existe la versión 1.0.5 que contempla los siguientes cambios: \n\nMejoras"))
        << pregunta.toStdString();
}

// The version is asked once the first frame is drawn: no work of the window's runs beside its first
// paint.
TEST_F(Ventana, LaVersionSePideTrasElPrimerFotograma) {
    programa_ = std::make_unique<prueba::ProgramaPrueba>(TamanoPantalla{1920, 1080});
    v = &programa_->Mostrar();
    struct PrimeraPintada : QObject {
        std::function<void()> alPintar;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && alPintar) std::exchange(alPintar, nullptr)();
            return false;
        }
    } primera;
    qsizetype trabajos = -1;
    primera.alPintar = [&] { trabajos = v->findChildren<QFutureWatcherBase*>().size(); };
    v->installEventFilter(&primera);
    for (int i = 0; i < 2000 && trabajos < 0; ++i) QTest::qWait(10);
    v->removeEventFilter(&primera);
    EXPECT_EQ(trabajos, 0);
    const QString antes = v->lblUpdate()->text();
    for (int i = 0; i < 2000 && v->lblUpdate()->text() == antes; ++i) {
        QTest::qWait(10);
        programa_->EsperarFondo();
    }
    EXPECT_EQ(v->lblUpdate()->text(), "No se ha podido comprobar si hay versiones nuevas");
}

// A window never drawn (started minimized, on another desktop) asks all the same.
TEST_F(Ventana, SinDibujarseTambienPreguntaPorLaVersion) {
    programa_ = std::make_unique<prueba::ProgramaPrueba>(TamanoPantalla{1920, 1080});
    v = &programa_->Mostrar();
    struct Pintadas : QObject {
        int n = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++n;
            return false;
        }
    } pintadas;
    v->installEventFilter(&pintadas);
    v->hide();  // before its first frame
    const QString antes = v->lblUpdate()->text();
    for (int i = 0; i < 2000 && v->lblUpdate()->text() == antes; ++i) {
        QTest::qWait(10);
        programa_->EsperarFondo();
    }
    EXPECT_EQ(pintadas.n, 0);
    // The default API address never resolves.
    EXPECT_EQ(v->lblUpdate()->text(), "No se ha podido comprobar si hay versiones nuevas");
    v->removeEventFilter(&pintadas);
}

TEST_F(Ventana, SinVersionNuevaLaEtiquetaNoCambiaNiSeSubraya) {
    {
        auto& w = Abrir();  // the default API address never resolves
        programa_->EsperarFondo();
        // Nobody said it is up to date: the label does not claim it.
        EXPECT_EQ(w.lblUpdate()->text(), "No se ha podido comprobar si hay versiones nuevas");
        EXPECT_TRUE(w.lblUpdate()->toolTip().contains("Host not found"))
            << w.lblUpdate()->toolTip().toStdString();
        EXPECT_EQ(w.lblUpdateTag, 0);
        QEvent entrar(QEvent::Enter);
        QApplication::sendEvent(w.lblUpdate(), &entrar);
        EXPECT_FALSE(w.lblUpdate()->font().underline());
    }
    Cerrar();
    // The same version as the program's: nothing changes and nothing is asked.
    prueba::ServidorApi s({"--respuesta", "/version", "10004\\nNada"});
    prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
    ASSERT_TRUE(Ajustes().EscribirValor("ApiHost", s.Base().toStdString()));
    bool preguntado = false;
    prueba::AlAbrirseDialogoDe<DialogoMensaje>(
        [&](DialogoMensaje* m) {
            preguntado = true;
            m->close();
        },
        30);
    auto& w = Abrir();
    programa_->EsperarFondo();
    QTest::qWait(200);
    EXPECT_TRUE(s.Registro().contains("/version/")) << s.Registro().toStdString();
    EXPECT_FALSE(preguntado);
    EXPECT_EQ(w.lblUpdate()->text(), "Marlevanta está actualizado");
    EXPECT_EQ(w.lblUpdateTag, 0);
}

TEST(Recortar, BlancosYControles) {
    EXPECT_EQ(Recortar(QStringLiteral(" \t\x01"
                                      "Ana Ruiz\r\n ")),
              "Ana Ruiz");
    EXPECT_EQ(Recortar(QStringLiteral("   ")), "");
}

TEST_F(Ventana, UnServidorMudoOQueGoteaNoRetieneLaVentana) {
    for (const char* modo : {"mudo", "goteo"}) {
        prueba::ServidorApi s({"--modo", modo});
        prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
        {
            auto a = Ajustes();
            ASSERT_TRUE(a.IniciarValoresSiNoExisten());
            ASSERT_TRUE(a.EscribirValor("ApiHost", s.Base().toStdString()));
        }
        QElapsedTimer reloj;
        reloj.start();
        auto& w = Abrir();
        // With the question on this thread the window took the 20 s stall limit, twice.
        EXPECT_LT(reloj.elapsed(), 15000) << modo;
        EXPECT_TRUE(w.isVisible());
        QTest::keyClicks(w.edtBuscarNombre(), "ruiz");
        EXPECT_EQ(Vista(), QStringList{"RUIZ CASTRO PABLO - 89012345E"}) << modo;
        EXPECT_EQ(w.lblUpdate()->text(), "Marlevanta está actualizado");
        // Closing does not wait for the server either.
        reloj.restart();
        Cerrar();
        EXPECT_LT(reloj.elapsed(), 15000) << modo;
    }
}

TEST_F(Ventana, UnAliasQueNoSePuedeGuardarSeDiceYLaFilaSigueComoEstaba) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
        ASSERT_TRUE(a.EscribirAlias("DEMO-12", "Antes"));
    }
    // The settings wait a fifth of a second for another program before they give up.
    programa_ = std::make_unique<prueba::ProgramaPrueba>(TamanoPantalla{1920, 1080});
    programa_->registro = std::make_unique<TManejadorRegistro>(
        CrearRegistroSqlite(RutaRegistroSqlite(), std::chrono::milliseconds(200)),
        programa_->pantalla, CrearAlmacenPoliticas());
    v = &programa_->Abrir();
    auto& w = *v;
    w.edtBuscarNombre()->setText("RUIZ CASTRO");
    ASSERT_EQ(w.cdsCertificados().Actual().alias, "Antes");
    // Another program holds the settings file locked meanwhile.
    sqlite3* otro = nullptr;
    ASSERT_EQ(sqlite3_open(RutaRegistroSqlite().c_str(), &otro), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(otro, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    QString error;
    prueba::AlAbrirseDialogo([&](QWidget* d) {
        auto* editor = qobject_cast<TfrmEditarAlias*>(d);
        ASSERT_NE(editor, nullptr);
        editor->edtAlias()->setText("Después");
        prueba::AlAbrirseDialogoDe<DialogoMensaje>([&](DialogoMensaje* m) {
            error = m->Texto();
            m->close();
        });
        QTest::keyClick(editor->edtAlias(), Qt::Key_Escape);
    });
    QTest::keyClick(w.grdCertificados(), Qt::Key_F2);
    sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(otro);
    EXPECT_TRUE(error.startsWith("No se ha podido guardar el alias en el archivo de ajustes \"" +
                                 QString::fromStdString(RutaRegistroSqlite())))
        << error.toStdString();
    EXPECT_TRUE(error.contains("bloqueado")) << error.toStdString();
    EXPECT_EQ(w.cdsCertificados().Actual().alias, "Antes");
    EXPECT_EQ(w.btnUsarCertificado()->Caption(), "Usar certificado 13\rAntes");
    EXPECT_EQ(Ajustes().LeerAlias("DEMO-12"), "Antes");
}

namespace {

// The application's own loop, as the program's entry runs it, with a way out if it never ends.
int BucleDeLaAplicacion() {
    QTimer guardia;
    guardia.setSingleShot(true);
    QObject::connect(&guardia, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guardia.start(30000);
    return QApplication::exec();
}

}  // namespace

TEST_F(Ventana, ElTraspasoTerminaElBucleDesdeCadaSitio) {
    // A real package, a real updater stand-in and the program's real quit request: after the
    // hand-over the application's loop ends, from wherever the update was started.
    const std::string d = dir_.path().toStdString();
    std::ofstream(d + "/paquete.zip") << "PK";
    prueba::ServidorApi s({"--respuesta", "/version", "10005", "--respuesta", "/updatefile",
                           "{base}/paquete", "--paquete",
                           QString::fromStdString(d + "/paquete.zip")});
    prueba::Entorno ca("SSL_CERT_FILE", s.Ca());
    prueba::Entorno cache("XDG_CACHE_HOME", d + "/cache");
    fs::create_directories(d + "/programa");
    std::ofstream(d + "/programa/tqUpd.exe")
        << "#!/bin/sh\necho \"$@\" >> '" << d << "/traspasos'\n";
    fs::permissions(d + "/programa/tqUpd.exe", fs::perms::owner_all);
    // Answers every question with yes, presses "Actualizar", and, in the options, "Comprobar".
    QTimer responder;
    QObject::connect(&responder, &QTimer::timeout, [] {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* m = qobject_cast<DialogoMensaje*>(w)) {
            if (m->Boton(mbYes)) m->Boton(mbYes)->click();
        } else if (auto* a = qobject_cast<TfrmActualizadorInternet*>(w)) {
            if (a->btnActualizar()->isEnabled() && !a->flagDescargaOk) a->btnActualizar()->click();
        } else if (auto* o = qobject_cast<TfrmConfiguracion*>(w)) {
            // Posted: the click opens a window of its own, which would hold this timer.
            if (o->isVisible() && !o->property("pulsado").toBool()) {
                o->setProperty("pulsado", true);
                QTimer::singleShot(0, o->btnComprobarAhora(), &QPushButton::click);
            }
        }
    });
    responder.start(20);
    for (const char* desde : {"arranque", "etiqueta", "opciones"}) {
        {
            auto a = Ajustes();
            ASSERT_TRUE(a.IniciarValoresSiNoExisten());
            ASSERT_TRUE(a.EscribirValor("ApiHost", s.Base().toStdString()));
            ASSERT_TRUE(a.EscribirValor("PanelComprobarActualizaciones",
                                        std::string(desde) == "arranque" ? "1" : "0"));
        }
        programa_ = std::make_unique<prueba::ProgramaPrueba>(TamanoPantalla{1920, 1080});
        programa_->plataforma.carpetaPrograma = d + "/programa";
        programa_->plataforma.carpetaAyudantes = d + "/programa";
        programa_->plataforma.rutaPrograma = d + "/programa/marlevanta";
        programa_->solicitarFin = [] { QCoreApplication::exit(0); };
        v = &programa_->Mostrar();
        if (std::string(desde) == "etiqueta") {
            QTimer::singleShot(1500, [this] { QTest::mouseClick(v->lblUpdate(), Qt::LeftButton); });
        } else if (std::string(desde) == "opciones") {
            QTimer::singleShot(1500,
                               [this] { QTest::keyClick(v->grdCertificados(), Qt::Key_F12); });
        }
        EXPECT_EQ(BucleDeLaAplicacion(), 0) << desde;
        prueba::OlvidarDialogos();
        // Whatever dialogs were open when the loop ended are closed with the window.
        Cerrar();
    }
    responder.stop();
    // Each hand-over's updater stand-in notes itself on its own time.
    const auto traspasos = [&] {
        return std::count(std::istreambuf_iterator<char>(std::ifstream(d + "/traspasos").rdbuf()),
                          {}, '\n');
    };
    prueba::EsperarQue([&] { return traspasos() >= 3; });
    EXPECT_EQ(traspasos(), 3);
}

TEST_F(Ventana, UnArchivoDeAjustesDanadoSeDiceUnaVezYLosAliasNoSeDanPorGuardados) {
    const std::string archivo = RutaRegistroSqlite();
    fs::create_directories(fs::path(archivo).parent_path());
    const std::string basura(8192, 'x');
    std::ofstream(archivo) << basura;
    // Every dialog of the session: messages noted and closed, the alias editor given a new
    // alias, the exit question answered Yes.
    QStringList mensajes;
    std::function<void(QWidget*)> responder = [&](QWidget* d) {
        if (auto* caja = qobject_cast<QMessageBox*>(d)) mensajes << caja->text();
        if (auto* m = qobject_cast<DialogoMensaje*>(d)) {
            if (m->Texto().startsWith("¿Desea salir")) {
                QTest::keyClick(d->focusWidget(), Qt::Key_Return);
                return;
            }
            mensajes << m->Texto();
        }
        prueba::AlAbrirseDialogo(responder);
        if (auto* editor = qobject_cast<TfrmEditarAlias*>(d)) {
            editor->edtAlias()->setText("Talleres Ruiz");
            QTest::keyClick(editor->edtAlias(), Qt::Key_Escape);
        } else {
            d->close();
        }
    };
    prueba::AlAbrirseDialogo(responder);
    auto& w = Abrir();
    ASSERT_EQ(mensajes.size(), 1) << mensajes.join(" | ").toStdString();
    EXPECT_TRUE(mensajes[0].startsWith("No se puede usar el archivo de ajustes \"" +
                                       QString::fromStdString(archivo) + "\": está dañado"))
        << mensajes[0].toStdString();
    EXPECT_TRUE(w.isVisible());
    // The switches as a new settings file has them: client certificates only, none expired.
    EXPECT_TRUE(w.chkVerCertificadosCliente()->isChecked());
    EXPECT_TRUE(w.chkOcultarCaducados()->isChecked());
    EXPECT_FALSE(w.chkProximos()->isChecked());
    EXPECT_EQ(w.cdsCertificados().RecordCount(), 29);

    // An alias typed is not shown as saved: the user is told it could not be stored.
    w.edtBuscarNombre()->setText("RUIZ CASTRO");
    const QString antes = w.cdsCertificados().Actual().alias;
    QTest::keyClick(w.grdCertificados(), Qt::Key_F2);
    ASSERT_EQ(mensajes.size(), 2) << mensajes.join(" | ").toStdString();
    EXPECT_TRUE(mensajes[1].startsWith("No se ha podido guardar el alias"))
        << mensajes[1].toStdString();
    EXPECT_EQ(w.cdsCertificados().Actual().alias, antes);
    EXPECT_FALSE(w.btnUsarCertificado()->Caption().contains("Talleres Ruiz"));

    // Closing asks, as by default, and says nothing more about the file, which stays as it was.
    QTest::keyClick(w.grdCertificados(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    prueba::OlvidarDialogos();
    Cerrar();
    EXPECT_EQ(mensajes.size(), 2) << mensajes.join(" | ").toStdString();
    std::ifstream f(archivo);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), basura);
}

TEST_F(Ventana, ConfirmarSalidaDeOtroTipoNuncaImpideCerrarYSeDiceUnaVez) {
    {
        auto a = Ajustes();
        ASSERT_TRUE(a.IniciarValoresSiNoExisten());
    }
    auto& w = Abrir();
    // Edited by hand meanwhile into a number.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(RutaRegistroSqlite().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE valores SET tipo = 4 WHERE nombre = 'PanelConfirmarSalida'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_changes(db), 1);
    sqlite3_close(db);
    QStringList avisos, preguntas;
    const auto responder = [&](const char* tecla) {
        prueba::AlAbrirseDialogo([&, tecla](QWidget* d) {
            auto* m = qobject_cast<DialogoMensaje*>(d);
            ASSERT_NE(m, nullptr);
            if (m->Texto().startsWith("¿Desea salir")) {
                preguntas << m->Texto();
                QTest::keyClick(d->focusWidget(),
                                tecla[0] == 'S' ? Qt::Key_Return : Qt::Key_Escape);
                return;
            }
            avisos << m->Texto();
            prueba::AlAbrirseDialogo([&, tecla](QWidget* p) {
                auto* q = qobject_cast<DialogoMensaje*>(p);
                ASSERT_NE(q, nullptr);
                preguntas << q->Texto();
                QTest::keyClick(p->focusWidget(),
                                tecla[0] == 'S' ? Qt::Key_Return : Qt::Key_Escape);
            });
            m->close();
        });
    };
    responder("No");
    QTest::keyClick(w.grdCertificados(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(avisos.size(), 1);
    EXPECT_TRUE(avisos[0].contains("PanelConfirmarSalida")) << avisos[0].toStdString();
    EXPECT_TRUE(avisos[0].contains("no es texto")) << avisos[0].toStdString();
    responder("Si");
    QTest::keyClick(w.grdCertificados(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(avisos.size(), 1);  // told once
    EXPECT_EQ(preguntas,
              QStringList({"¿Desea salir de Marlevanta?", "¿Desea salir de Marlevanta?"}));
    Cerrar();
}
