#include "windows/u_frmConfiguracion.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/u_frmMenu.h"
#include "common/ventanas.h"
#include "online/u_frmActualizadorInternet.h"
#include "store/u_manejadorRegistro.h"

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

TfrmConfiguracion::TfrmConfiguracion(TfrmMenu* owner, TManejadorRegistro& registro,
                                     TManejadorApi* api, int versionPropia)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      menu_(owner),
      registro_(registro),
      api_(api),
      versionPropia_(versionPropia) {
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
    edtGridTamanoFuente_->setRange(6, 48);
    edtGridTamanoFuente_->setSingleStep(1);
    edtGridTamanoFuente_->setValue(10);
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
    co->addStretch(1);
    pgSecciones_->addWidget(tbsComportamiento_);

    // FormCreate: filling the controls is not a change by the user.
    pgSecciones_->setCurrentWidget(tbsApariencia_);
    edtGridTamanoFuente_->setValue(menu_->TamanoFuenteGrid());
    const auto leer = [this](const char* nombre) { return registro_.LeerValor(nombre) == "1"; };
    chkGridVerEmail_->setChecked(leer("GridVerEmail"));
    chkGridVerEmitidoPor_->setChecked(leer("GridVerEmitidoPor"));
    chkGridVerValidoDesde_->setChecked(leer("GridVerValidoDesde"));
    chkGridVerPropositos_->setChecked(leer("GridVerPropositos"));
    chkConfirmarSalida_->setChecked(leer("PanelConfirmarSalida"));
    chkComprobarActualizaciones_->setChecked(leer("PanelComprobarActualizaciones"));
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

int TfrmConfiguracion::TamanoFuente() const {
    bool ok = false;
    const int v = edtGridTamanoFuente_->cleanText().toInt(&ok);
    return ok ? v : 6;
}

void TfrmConfiguracion::edtGridTamanoFuenteChange() {
    if (llenando_) return;
    const int n = TamanoFuente();
    if (n < 6 || n > 48) return;
    menu_->FijarFuenteGrid(n);
    menu_->CambiarAnchoColumnasGrid();
}

void TfrmConfiguracion::chkGridVerEmailClick() {
    GuardarOpciones();
    menu_->AjustarGrid();
}

void TfrmConfiguracion::btnComprobarAhoraClick() {
    if (!api_) return;
    TfrmActualizadorInternet actualizador(this, *api_, versionPropia_);
    actualizador.exec();
}

void TfrmConfiguracion::GuardarOpciones() {
    const auto interruptor = [](const QCheckBox* c) {
        return std::string(c->isChecked() ? "1" : "0");
    };
    registro_.EscribirValor("GridTamanoFuente", std::to_string(TamanoFuente()));
    registro_.EscribirValor("GridVerEmail", interruptor(chkGridVerEmail_));
    registro_.EscribirValor("GridVerEmitidoPor", interruptor(chkGridVerEmitidoPor_));
    registro_.EscribirValor("GridVerValidoDesde", interruptor(chkGridVerValidoDesde_));
    registro_.EscribirValor("GridVerPropositos", interruptor(chkGridVerPropositos_));
    registro_.EscribirValor("PanelConfirmarSalida", interruptor(chkConfirmarSalida_));
    registro_.EscribirValor("PanelComprobarActualizaciones",
                            interruptor(chkComprobarActualizaciones_));
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
