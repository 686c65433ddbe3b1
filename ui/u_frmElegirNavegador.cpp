#include "ui/u_frmElegirNavegador.h"

#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QToolButton>

#include "ui/u_colores.h"
#include "ui/u_imagenes.h"
#include "ui/u_manejadorFuncionesComunes.h"
#include "ui/u_ventanas.h"

#include <algorithm>

namespace marlevanta {

namespace {

QString Aviso(Navegador n) {
    return QStringLiteral("Cierre ") + NombreNavegador(n) +
           QStringLiteral(" para poder salir de esta ventana");
}

QToolButton* BotonPlano(QWidget* padre, const char* nombre) {
    auto* b = new QToolButton(padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

TfrmElegirNavegador::TfrmElegirNavegador(QWidget* owner, SesionNavegador::Entorno entorno,
                                         SegundoPlano& fondo, TmanejadorFuncionesComunes& comunes,
                                         PedirPermisos permisos)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint),
      sesion_(nullptr),
      comunes_(comunes),
      permisos_(std::move(permisos)) {
    // Only the browsers that can be started are offered; a missing one says what to install.
    for (Navegador n : kNavegadores) {
        auto comando = entorno.comandoNavegador ? entorno.comandoNavegador(n)
                                                : Resultado<ComandoNavegador>(Falla(""));
        falta_[Indice(n)] = comando ? QString() : QString::fromStdString(comando.motivo());
    }
    sesion_ = new SesionNavegador(std::move(entorno), fondo, this);
    setObjectName(QStringLiteral("frmElegirNavegador"));
    setWindowTitle(QStringLiteral("Elegir navegador"));
    setFixedSize(419, 304);
    setFont(TahomaPuntos(8));
    setStyleSheet(
        QStringLiteral("QDialog#frmElegirNavegador { border: 1px solid palette(dark); }"));

    lblPregunta_ =
        new QLabel(QStringLiteral("¿Con qué navegador quiere usar el certificado?"), this);
    lblPregunta_->setObjectName(QStringLiteral("lblPregunta"));
    lblPregunta_->setFont(TahomaPuntos(12, true));
    lblPregunta_->setGeometry(8, 179, 403, 19);
    struct Logo {
        Navegador navegador;
        const char* objeto;
        QColor color;
        const char* letra;
    };
    const Logo logos[] = {{Navegador::Edge, "btnEdge", QColor(0, 120, 170), "E"},
                          {Navegador::Chrome, "btnChrome", QColor(220, 68, 55), "C"},
                          {Navegador::Firefox, "btnFirefox", QColor(230, 96, 0), "F"}};
    int x = 8;
    for (const Logo& l : logos) {
        QToolButton* b = BotonPlano(this, l.objeto);
        b->setIcon(QIcon(LogoNavegador(l.color, QString::fromLatin1(l.letra), 90)));
        b->setIconSize(QSize(90, 90));
        b->setGeometry(x, 203, 90, 93);
        x += 95;
        const QString& falta = falta_[Indice(l.navegador)];
        b->setEnabled(falta.isEmpty());
        b->setToolTip(falta.isEmpty()
                          ? QStringLiteral("Usar ") + NombreNavegador(l.navegador) +
                                QStringLiteral(" (") + QLatin1String(l.letra) + QStringLiteral(")")
                          : falta);
        botones_[Indice(l.navegador)] = b;
        connect(b, &QToolButton::clicked, this, [this, n = l.navegador] { Ejecutar(n); });
    }
    btnCerrar_ = BotonPlano(this, "btnCerrar");
    btnCerrar_->setIcon(QIcon(CruzRoja(16)));
    btnCerrar_->setGeometry(394, 0, 25, 25);
    lblCertificado_ = new QLabel(this);
    lblCertificado_->setObjectName(QStringLiteral("lblCertificado"));
    lblCertificado_->setFont(TahomaPuntos(10, true));
    lblCertificado_->setWordWrap(true);
    lblCertificado_->setTextFormat(Qt::PlainText);
    lblCertificado_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblCertificado_->setGeometry(8, 40, 403, 29);
    auto* label2 = new QLabel(QStringLiteral("Certificado seleccionado:"), this);
    label2->setFont(TahomaPuntos(10));
    label2->setGeometry(8, 18, 380, 18);
    lblAyuda_ = new QLabel(this);
    lblAyuda_->setObjectName(QStringLiteral("lblAyuda"));
    lblAyuda_->setFont(TahomaPuntos(10));
    ColorDeTexto(lblAyuda_, QColor(0, 0, 128));
    lblAyuda_->setWordWrap(true);
    lblAyuda_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblAyuda_->setGeometry(8, 75, 403, 98);
    btnSalir_ = BotonPlano(this, "btnSalir");
    btnSalir_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    btnSalir_->setIconSize(QSize(48, 48));
    btnSalir_->setText(QStringLiteral("Salir"));
    btnSalir_->setFont(TahomaPuntos(14));
    btnSalir_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnSalir_->setGeometry(293, 203, 90, 93);

    // FormCreate
    btnSalir_->hide();
    lblAyuda_->setText(
        QStringLiteral(
            "Marlevanta asignará el certificado al navegador que elija y lo abrirá. De esa "
            "forma cualquier página que visite en el navegador y que precise de un "
            "certificado, automáticamente seleccionará el certificado elegido sin "
            "visualizar la ventana de selección de certificados del navegador.") +
        u'\n' + QStringLiteral("Marlevanta quedará deshabilitado hasta que cierre el navegador."));
    EncajarTexto(lblAyuda_, 13, 9);
    EncajarTexto(lblPregunta_, 16, 10);

    connect(btnCerrar_, &QToolButton::clicked, this, &QDialog::reject);
    connect(btnSalir_, &QToolButton::clicked, this, &QDialog::reject);
    connect(sesion_, &SesionNavegador::Terminada, this, &TfrmElegirNavegador::FinDeEjecucion);
    connect(sesion_, &SesionNavegador::ReglaRechazada, this, [this](const QString&) {
        // The permission dialog is opened once per run; the run goes on when it closes.
        if (permisos_) {
            permisos_(this, [this] { sesion_->TrasPermisos(); });
        } else {
            sesion_->TrasPermisos();
        }
    });
    connect(sesion_, &SesionNavegador::ContrasenaPedida, this,
            [this](bool incorrecta) { sesion_->ConContrasena(pedirContrasena(this, incorrecta)); });
    pedirContrasena = [](QWidget* padre, bool incorrecta) -> std::optional<std::string> {
        bool aceptada = false;
        const QString texto = QInputDialog::getText(
            padre, QStringLiteral("Contraseña del almacén de certificados"),
            (incorrecta ? QStringLiteral("La contraseña no es correcta.\n\n") : QString()) +
                QStringLiteral("Su almacén de certificados está protegido con una contraseña.\n"
                               "Escríbala para que Firefox reciba una copia del certificado,\n"
                               "guardada con la misma contraseña:"),
            QLineEdit::Password, QString(), &aceptada);
        if (!aceptada) return std::nullopt;
        return texto.toStdString();
    };
}

void TfrmElegirNavegador::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentrarSobre(this, parentWidget());
}

void TfrmElegirNavegador::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Escape:
            btnCerrar_->click();
            return;
        case Qt::Key_E:
            Tecla(Navegador::Edge);
            return;
        case Qt::Key_C:
            Tecla(Navegador::Chrome);
            return;
        case Qt::Key_F:
            Tecla(Navegador::Firefox);
            return;
        default:
            e->accept();
            return;  // nothing else does anything here
    }
}

void TfrmElegirNavegador::Tecla(Navegador navegador) {
    QToolButton* boton = Boton(navegador);
    const QString& falta = falta_[Indice(navegador)];
    // During and after a run the key only warns, as the button would.
    if (btnCerrar_->isHidden() || boton->isEnabled()) {
        Ejecutar(navegador);
        return;
    }
    comunes_.wmessagedlg(falta, mtInformation, Botones({mbOK}), 0);
}

void TfrmElegirNavegador::done(int resultado) {
    // Closing while a browser beside the others is being started would leave it unanswered.
    if (preparando_) return;
    // Closing during a run waits for the browser to close and the rule to be removed.
    if (sesion_->EnCurso()) {
        resultadoPendiente_ = resultado;
        return;
    }
    QDialog::done(resultado);
}

void TfrmElegirNavegador::UsarEnPerfilPropio(UsarAparte usar) {
    usarAparte_ = std::move(usar);
    lblAyuda_->setText(
        QStringLiteral(
            "Marlevanta abrirá el navegador que elija con un perfil solo para este certificado: "
            "cualquier página que lo pida recibirá este certificado sin preguntar.") +
        u'\n' +
        QStringLiteral("Puede seguir usando Marlevanta y abrir otros certificados a la vez."));
    EncajarTexto(lblAyuda_, 13, 9);
}

void TfrmElegirNavegador::Ejecutar(Navegador navegador) {
    if (usarAparte_) {
        if (!preparando_) UsarAparteCon(navegador, {});
        return;
    }
    if (btnCerrar_->isHidden()) {
        comunes_.wmessagedlg(Aviso(navegador), mtWarning, Botones({mbOK}), 0);
        return;
    }
    lblPregunta_->setText(QStringLiteral("Procesando certificado ..."));
    EncajarTexto(lblPregunta_, 16, 10);
    btnCerrar_->hide();
    for (Navegador n : kNavegadores) {
        if (n != navegador) Boton(n)->hide();
    }
    sesion_->Iniciar(navegador, certificado);
}

void TfrmElegirNavegador::UsarAparteCon(Navegador navegador, std::string contrasena) {
    preparando_ = true;
    const QString pregunta = lblPregunta_->text();
    lblPregunta_->setText(QStringLiteral("Procesando certificado ..."));
    EncajarTexto(lblPregunta_, 16, 10);
    usarAparte_(
        navegador, contrasena,
        [this, navegador, pregunta, vivo = QPointer<TfrmElegirNavegador>(this)](const Hecho& h) {
            if (!vivo) return;
            preparando_ = false;
            lblPregunta_->setText(pregunta);
            EncajarTexto(lblPregunta_, 16, 10);
            if (h) {
                accept();
                return;
            }
            if (h.motivo() == kFaltaContrasenaAlmacen ||
                h.motivo() == kContrasenaAlmacenIncorrecta) {
                if (auto dada = pedirContrasena(this, h.motivo() == kContrasenaAlmacenIncorrecta)) {
                    UsarAparteCon(navegador, std::move(*dada));
                }
                return;
            }
            comunes_.wmessagedlg(QString::fromStdString(h.motivo()), mtError, Botones({mbOK}), 0);
        });
    std::fill(contrasena.begin(), contrasena.end(), '\0');
}

void TfrmElegirNavegador::FinDeEjecucion(const FinSesion& fin) {
    const Navegador navegador = sesion_->NavegadorEnUso();
    if (!fin.error.isEmpty()) comunes_.wmessagedlg(fin.error, mtError, Botones({mbOK}), 0);
    // "Proceso finalizado" only after a browser really ran.
    lblPregunta_->setText(fin.navegadorEjecutado
                              ? QStringLiteral("Proceso finalizado con ") +
                                    NombreNavegador(navegador)
                              : QStringLiteral("No se ha abierto ") + NombreNavegador(navegador));
    EncajarTexto(lblPregunta_, 16, 10);
    Boton(navegador)->hide();
    btnSalir_->move(8, btnSalir_->y());
    btnSalir_->show();
    if (resultadoPendiente_ >= 0) QDialog::done(resultadoPendiente_);
}

}  // namespace marlevanta
