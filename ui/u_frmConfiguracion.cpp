#include "ui/u_frmConfiguracion.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/plataforma/u_inicioSesion.h"
#include "core/u_ajustesVentana.h"
#include "core/u_datosPrograma.h"
#include "ui/u_rejillaCertificados.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

namespace {

// The size field: empty text is allowed and counts as the lowest value; leaving the field with
// a number outside the range puts the nearest bound in it.
class CampoTamano : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& texto, int&) const override {
        if (texto.isEmpty()) return QValidator::Acceptable;
        if (texto.size() > 2) return QValidator::Invalid;
        for (QChar c : texto) {
            if (!c.isDigit()) return QValidator::Invalid;
        }
        const int v = texto.toInt();
        return (v >= minimum() && v <= maximum()) ? QValidator::Acceptable
                                                  : QValidator::Intermediate;
    }
    int valueFromText(const QString& texto) const override {
        bool ok = false;
        const int v = texto.toInt(&ok);
        return ok ? v : minimum();
    }
    void fixup(QString& texto) const override {
        bool ok = false;
        const int v = texto.toInt(&ok);
        texto = QString::number(ok ? std::clamp(v, minimum(), maximum()) : minimum());
    }
};

QToolButton* BotonPagina(QWidget* padre, const char* nombre, const char* texto,
                         QStyle::StandardPixmap icono) {
    QToolButton* b = BotonLateral(padre, nombre, texto, icono);
    b->setMinimumHeight(36);
    b->setCheckable(true);
    b->setAutoExclusive(true);
    return b;
}

QCheckBox* Interruptor(QWidget* padre, QVBoxLayout* capa, const char* nombre, const char* texto) {
    auto* c = new QCheckBox(QString::fromUtf8(texto), padre);
    c->setObjectName(QString::fromLatin1(nombre));
    capa->addWidget(c);
    return c;
}

}  // namespace

TfrmConfiguracion::TfrmConfiguracion(QWidget* owner, TManejadorRegistro& registro,
                                     RejillaCertificados& rejilla,
                                     std::function<void(QWidget*)> abrirActualizador)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      registro_(registro),
      rejilla_(rejilla),
      abrirActualizador_(std::move(abrirActualizador)) {
    setObjectName(QStringLiteral("frmConfiguracion"));
    setWindowTitle(QStringLiteral("Marlevanta - Opciones"));
    setFixedSize(612, 418);
    setFont(Tahoma(12));
    auto* capa = new QHBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(0);

    auto* izquierda = PanelBlanco(this, 185);
    auto* botones = new QVBoxLayout(izquierda);
    btnApariencia_ = BotonPagina(izquierda, "btnApariencia", "Apariencia", QStyle::SP_DesktopIcon);
    btnComportamiento_ = BotonPagina(izquierda, "btnComportamiento", "Comportamiento",
                                     QStyle::SP_FileDialogDetailedView);
    btnSalir_ = BotonLateral(izquierda, "btnSalir", "Salir", QStyle::SP_DialogCloseButton);
    btnApariencia_->setChecked(true);
    botones->addWidget(btnApariencia_);
    botones->addWidget(btnComportamiento_);
    botones->addStretch(1);
    botones->addWidget(btnSalir_);
    capa->addWidget(izquierda);

    pgSecciones_ = new QStackedWidget(this);  // pages without tabs
    pgSecciones_->setObjectName(QStringLiteral("pgSecciones"));
    pgSecciones_->setFont(Tahoma(11));
    capa->addWidget(pgSecciones_, 1);

    tbsApariencia_ = new QWidget(pgSecciones_);
    tbsApariencia_->setObjectName(QStringLiteral("tbsApariencia"));
    auto* ap = new QVBoxLayout(tbsApariencia_);
    auto* fila = new QHBoxLayout;
    auto* label1 = new QLabel(QStringLiteral("Tamaño de la fuente de la tabla de certificados:"),
                              tbsApariencia_);
    edtGridTamanoFuente_ = new CampoTamano(tbsApariencia_);
    edtGridTamanoFuente_->setObjectName(QStringLiteral("edtGridTamanoFuente"));
    edtGridTamanoFuente_->setRange(kFuenteMinima, kFuenteMaxima);
    edtGridTamanoFuente_->setSingleStep(1);
    edtGridTamanoFuente_->setValue(kFuentePorDefecto);
    edtGridTamanoFuente_->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    edtGridTamanoFuente_->setKeyboardTracking(true);
    fila->addWidget(label1);
    fila->addWidget(edtGridTamanoFuente_);
    fila->addStretch(1);
    ap->addLayout(fila);
    auto* label6 = new QLabel(QStringLiteral("(Defecto 10. También se ajusta en la misma tabla "
                                             "pulsando la combinación de teclas Ctrl + "
                                             "para aumentar,  Ctrl - para disminuir o Ctrl 0 para "
                                             "establecer la fuente por defecto)"),
                              tbsApariencia_);
    label6->setWordWrap(true);
    label6->setFont(Tahoma(11));
    ap->addWidget(label6);
    ap->addSpacing(12);
    chkGridVerEmail_ = Interruptor(tbsApariencia_, ap, "chkGridVerEmail",
                                   "Ver la columna \"Email\" en la tabla de certificados");
    chkGridVerEmitidoPor_ =
        Interruptor(tbsApariencia_, ap, "chkGridVerEmitidoPor",
                    "Ver la columna \"Emitido por\" en la tabla de certificados");
    chkGridVerValidoDesde_ =
        Interruptor(tbsApariencia_, ap, "chkGridVerValidoDesde",
                    "Ver la columna \"Válido desde\" en la tabla de certificados");
    chkGridVerPropositos_ =
        Interruptor(tbsApariencia_, ap, "chkGridVerPropositos",
                    "Ver la columna \"Propósitos planteados\" en la tabla de certificados");
    ap->addStretch(1);
    pgSecciones_->addWidget(tbsApariencia_);

    tbsComportamiento_ = new QWidget(pgSecciones_);
    tbsComportamiento_->setObjectName(QStringLiteral("tbsComportamiento"));
    auto* co = new QVBoxLayout(tbsComportamiento_);
    chkConfirmarSalida_ =
        Interruptor(tbsComportamiento_, co, "chkConfirmarSalida", "Confirmar salida de Marlevanta");
    auto* filaActualizar = new QHBoxLayout;
    chkComprobarActualizaciones_ =
        new QCheckBox(QStringLiteral("Comprobar actualizaciones al inicio"), tbsComportamiento_);
    chkComprobarActualizaciones_->setObjectName(QStringLiteral("chkComprobarActualizaciones"));
    btnComprobarAhora_ = new QPushButton(QStringLiteral("Comprobar ahora"), tbsComportamiento_);
    btnComprobarAhora_->setObjectName(QStringLiteral("btnComprobarAhora"));
    btnComprobarAhora_->setAutoDefault(false);
    filaActualizar->addWidget(chkComprobarActualizaciones_);
    filaActualizar->addWidget(btnComprobarAhora_);
    filaActualizar->addStretch(1);
    co->addLayout(filaActualizar);
    co->addSpacing(12);
    chkPerfilPorCertificado_ =
        Interruptor(tbsComportamiento_, co, "chkPerfilPorCertificado",
                    "Un perfil de navegador por certificado (varios certificados a la vez)");
    auto* filaPerfiles = new QHBoxLayout;
    btnPerfiles_ = new QPushButton(QStringLiteral("Ver y borrar perfiles…"), tbsComportamiento_);
    btnPerfiles_->setObjectName(QStringLiteral("btnPerfiles"));
    btnPerfiles_->setAutoDefault(false);
    filaPerfiles->addSpacing(20);
    filaPerfiles->addWidget(btnPerfiles_);
    filaPerfiles->addStretch(1);
    co->addLayout(filaPerfiles);
    connect(btnPerfiles_, &QPushButton::clicked, this, [this] {
        if (abrirPerfiles) abrirPerfiles(this);
    });
    chkPoliticaSistema_ = Interruptor(tbsComportamiento_, co, "chkPoliticaSistema",
                                      "Aplicar también como política del navegador del sistema");
    auto* notaPolitica = new QLabel(
        QStringLiteral("El certificado elegido se asigna siempre al perfil del navegador que "
                       "abre Marlevanta. Con esta opción se asigna además a todos los perfiles "
                       "de ese navegador mientras esté abierto."),
        tbsComportamiento_);
    notaPolitica->setObjectName(QStringLiteral("lblNotaPolitica"));
    notaPolitica->setWordWrap(true);
    notaPolitica->setFont(Tahoma(11));
    notaPolitica->setContentsMargins(20, 0, 0, 0);
    co->addWidget(notaPolitica);
    co->addSpacing(12);
    chkAvisosCaducidad_ =
        Interruptor(tbsComportamiento_, co, "chkAvisosCaducidad",
                    "Avisar en el escritorio de los certificados que caducan pronto");
    auto* filaDias = new QHBoxLayout;
    auto* lblDias =
        new QLabel(QStringLiteral("Días de aviso antes de la caducidad:"), tbsComportamiento_);
    edtDiasAviso_ = new QSpinBox(tbsComportamiento_);
    edtDiasAviso_->setObjectName(QStringLiteral("edtDiasAviso"));
    edtDiasAviso_->setRange(ajuste::AvisoCaducidadDias.minimo, ajuste::AvisoCaducidadDias.maximo);
    lblDias->setBuddy(edtDiasAviso_);
    filaDias->addSpacing(20);
    filaDias->addWidget(lblDias);
    filaDias->addWidget(edtDiasAviso_);
    filaDias->addStretch(1);
    co->addLayout(filaDias);
    auto* filaInicio = new QHBoxLayout;
    chkAvisarInicioSesion_ =
        new QCheckBox(QStringLiteral("Avisar al iniciar la sesión"), tbsComportamiento_);
    chkAvisarInicioSesion_->setObjectName(QStringLiteral("chkAvisarInicioSesion"));
    chkAvisarInicioSesion_->setEnabled(false);
    filaInicio->addSpacing(20);
    filaInicio->addWidget(chkAvisarInicioSesion_);
    filaInicio->addStretch(1);
    co->addLayout(filaInicio);
    co->addStretch(1);
    pgSecciones_->addWidget(tbsComportamiento_);

    // FormCreate: filling the controls is not a change by the user.
    pgSecciones_->setCurrentWidget(tbsApariencia_);
    edtGridTamanoFuente_->setValue(rejilla_.TamanoFuente());
    fuenteInicial_ = TamanoFuente();
    Ajustes& ajustes = registro_.ajustes();
    campos_ = {{chkGridVerEmail_, &ajuste::VerEmail, false},
               {chkGridVerEmitidoPor_, &ajuste::VerEmitidoPor, false},
               {chkGridVerValidoDesde_, &ajuste::VerValidoDesde, false},
               {chkGridVerPropositos_, &ajuste::VerPropositos, false},
               {chkConfirmarSalida_, &ajuste::ConfirmarSalida, false},
               {chkComprobarActualizaciones_, &ajuste::ComprobarActualizaciones, false},
               {chkPoliticaSistema_, &ajuste::PoliticaSistema, false},
               {chkPerfilPorCertificado_, &ajuste::PerfilPorCertificado, false},
               {chkAvisosCaducidad_, &ajuste::AvisosCaducidad, false}};
    diasInicial_ = ajustes.Entero(ajuste::AvisoCaducidadDias);
    edtDiasAviso_->setValue(diasInicial_);
    for (Campo& c : campos_) {
        c.inicial = ajustes.Interruptor(*c.ajuste);
        c.caja->setChecked(c.inicial);
    }
    if (!registro_.AdmitePerfil()) {
        // Where the profile takes no rule, the policy is the only way: always on.
        chkPoliticaSistema_->setChecked(true);
        chkPoliticaSistema_->setEnabled(false);
        notaPolitica->setText(
            QStringLiteral("En este sistema el certificado elegido se asigna "
                           "siempre como política del navegador."));
    } else if (const Hecho permitida = registro_.PoliticaSistemaPermitida(); !permitida) {
        chkPoliticaSistema_->setChecked(false);
        chkPoliticaSistema_->setEnabled(false);
        notaPolitica->setText(QString::fromStdString(permitida.motivo()));
    }
    // A machine-wide policy names one certificate for every profile of the browser: it cannot
    // give each profile its own.
    const bool politicaPosible = chkPoliticaSistema_->isEnabled();
    const QString notaOriginal = notaPolitica->text();
    const auto segunPerfiles = [this, politicaPosible, notaOriginal, notaPolitica] {
        if (!politicaPosible) return;
        const bool porCertificado = chkPerfilPorCertificado_->isChecked();
        chkPoliticaSistema_->setEnabled(!porCertificado);
        notaPolitica->setText(
            porCertificado
                ? QStringLiteral("Con un perfil por certificado, cada navegador presenta el "
                                 "certificado de su perfil; una política del sistema solo puede "
                                 "nombrar uno para todos.")
                : notaOriginal);
    };
    segunPerfiles();
    connect(chkPerfilPorCertificado_, &QCheckBox::toggled, this, segunPerfiles);
    llenando_ = false;

    connect(btnApariencia_, &QToolButton::clicked, this,
            [this] { pgSecciones_->setCurrentWidget(tbsApariencia_); });
    connect(btnComportamiento_, &QToolButton::clicked, this,
            [this] { pgSecciones_->setCurrentWidget(tbsComportamiento_); });
    connect(btnSalir_, &QToolButton::clicked, this, &QDialog::accept);
    connect(edtGridTamanoFuente_, &QSpinBox::valueChanged, this,
            &TfrmConfiguracion::edtGridTamanoFuenteChange);
    connect(edtGridTamanoFuente_->findChild<QLineEdit*>(), &QLineEdit::textEdited, this,
            &TfrmConfiguracion::edtGridTamanoFuenteChange);
    connect(chkGridVerEmail_, &QCheckBox::clicked, this, &TfrmConfiguracion::chkGridVerEmailClick);
    connect(btnComprobarAhora_, &QPushButton::clicked, this,
            &TfrmConfiguracion::btnComprobarAhoraClick);
    CentrarSobre(this, owner);
}

void TfrmConfiguracion::UsarInicioSesion(InicioSesion* inicio, std::string programa) {
    // Without the program's own path there is nothing for the session to run.
    inicioSesion_ = programa.empty() ? nullptr : inicio;
    programa_ = std::move(programa);
    inicioInicial_ = inicioSesion_ && inicioSesion_->Puesto();
    chkAvisarInicioSesion_->setChecked(inicioInicial_);
    chkAvisarInicioSesion_->setEnabled(inicioSesion_ != nullptr);
}

int TfrmConfiguracion::TamanoFuente() const {
    bool ok = false;
    const int v = edtGridTamanoFuente_->cleanText().toInt(&ok);
    return ok ? v : kFuenteMinima;
}

void TfrmConfiguracion::edtGridTamanoFuenteChange() {
    if (llenando_) return;
    const int n = TamanoFuente();
    if (n < kFuenteMinima || n > kFuenteMaxima) return;
    rejilla_.FijarFuenteGrid(n);
    rejilla_.CambiarAnchoColumnasGrid();
}

void TfrmConfiguracion::chkGridVerEmailClick() {
    GuardarOpciones();
    rejilla_.AjustarGrid(AjustesRejilla::Leer(registro_.ajustes()));
}

void TfrmConfiguracion::btnComprobarAhoraClick() {
    if (abrirActualizador_) abrirActualizador_(this);
}

void TfrmConfiguracion::GuardarOpciones() {
    Ajustes& ajustes = registro_.ajustes();
    Hecho h;
    // A size outside the bounds is left as it was stored: the grid never showed it.
    if (const int n = TamanoFuente();
        n != fuenteInicial_ && n >= kFuenteMinima && n <= kFuenteMaxima) {
        h = ajustes.Fijar(ajuste::TamanoFuente, n);
    }
    for (Campo& c : campos_) {
        if (!h) break;
        // A switch greyed out is not the user's to change here.
        if (!c.caja->isEnabled() || c.caja->isChecked() == c.inicial) continue;
        h = ajustes.Fijar(*c.ajuste, c.caja->isChecked());
        if (h) c.inicial = c.caja->isChecked();
    }
    if (h && edtDiasAviso_->value() != diasInicial_) {
        h = ajustes.Fijar(ajuste::AvisoCaducidadDias, edtDiasAviso_->value());
        if (h) diasInicial_ = edtDiasAviso_->value();
    }
    if (h && inicioSesion_ && chkAvisarInicioSesion_->isChecked() != inicioInicial_) {
        h = chkAvisarInicioSesion_->isChecked() ? inicioSesion_->Poner(programa_)
                                                : inicioSesion_->Quitar();
        if (h) inicioInicial_ = chkAvisarInicioSesion_->isChecked();
    }
    if (h) fuenteInicial_ = TamanoFuente();
    if (!h) {
        // One message for the lot: the rest would fail for the same reason.
        QMessageBox caja(QMessageBox::Critical, kTituloAplicacion,
                         MensajeAjustes(QStringLiteral("No se han podido guardar las opciones"),
                                        registro_, h.motivo()),
                         QMessageBox::NoButton, this);
        caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        caja.exec();
    }
}

void TfrmConfiguracion::done(int resultado) {
    // Every way of closing saves; there is no cancel.
    if (!guardado_) {
        guardado_ = true;
        GuardarOpciones();
    }
    QDialog::done(resultado);
}

}  // namespace marlevanta
