#include "ui/u_frmDetallesCertificado.h"

#include <QClipboard>
#include <QDateTime>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <map>

#include "ui/u_colores.h"
#include "ui/u_ventanas.h"

namespace marlevanta {

namespace {

const char* kTitulos[] = {"Emitido para",    "Emitido por",        "Número de serie",
                          "Válido desde",    "Válido hasta",       "Uso de la clave",
                          "Usos extendidos", "Correo electrónico", "Huella SHA-1",
                          "Huella SHA-256",  "Clave privada"};

QString Fecha(std::int64_t segundos) {
    return QDateTime::fromSecsSinceEpoch(segundos).toLocalTime().toString(
        QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

// A distinguished name with a blank after each comma that separates its parts, so that it
// wraps; the escaped commas inside a value stay as they are.
QString NombreLegible(const std::string& dn) {
    QString r;
    const QString t = QString::fromStdString(dn);
    for (qsizetype i = 0; i < t.size(); ++i) {
        r += t[i];
        if (t[i] == u'\\' && i + 1 < t.size()) {
            r += t[++i];
        } else if (t[i] == u',') {
            r += u' ';
        }
    }
    return r;
}

QString Unir(const std::vector<std::string>& textos) {
    QStringList r;
    for (const auto& t : textos) r << QString::fromStdString(t);
    return r.join(QStringLiteral(", "));
}

}  // namespace

QString TextoUsosClave(const std::vector<std::string>& usos) {
    static const std::map<std::string, const char*> kNombres = {
        {"digitalSignature", "Firma digital"},        {"nonRepudiation", "No repudio"},
        {"keyEncipherment", "Cifrado de claves"},     {"dataEncipherment", "Cifrado de datos"},
        {"keyAgreement", "Acuerdo de claves"},        {"keyCertSign", "Firma de certificados"},
        {"cRLSign", "Firma de listas de revocación"}, {"encipherOnly", "Sólo cifrado"},
        {"decipherOnly", "Sólo descifrado"}};
    if (usos.empty()) return QStringLiteral("Sin limitar");
    QStringList r;
    for (const auto& u : usos) {
        const auto n = kNombres.find(u);
        r << (n == kNombres.end() ? QString::fromStdString(u) : QString::fromUtf8(n->second));
    }
    return r.join(QStringLiteral(", "));
}

QString TextoUsosExtendidos(const std::vector<std::string>& usos) {
    static const std::map<std::string, const char*> kNombres = {
        {"clientAuth", "Autenticación del cliente"},
        {"serverAuth", "Autenticación del servidor"},
        {"emailProtection", "Protección del correo electrónico"},
        {"codeSigning", "Firma de código"},
        {"timeStamping", "Sellado de tiempo"},
        {"OCSPSigning", "Firma de respuestas OCSP"}};
    if (usos.empty()) return QStringLiteral("Sin limitar");
    QStringList r;
    for (const auto& u : usos) {
        const auto n = kNombres.find(u);
        r << (n == kNombres.end() ? QString::fromStdString(u)
                                  : QString::fromUtf8(n->second) + QStringLiteral(" (") +
                                        QString::fromStdString(u) + u')');
    }
    return r.join(QStringLiteral(", "));
}

QString EnParejas(const std::string& hex) {
    QString r;
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (!r.isEmpty()) r += u':';
        r += QString::fromStdString(hex.substr(i, 2));
    }
    return r;
}

TfrmDetallesCertificado::TfrmDetallesCertificado(QWidget* owner, const QString& nombre)
    : QDialog(owner, Qt::Dialog | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmDetallesCertificado"));
    setWindowTitle(QStringLiteral("Detalles del certificado"));
    setFont(Tahoma(13));
    setMinimumWidth(640);

    auto* capa = new QVBoxLayout(this);
    auto* cabecera = new QLabel(nombre, this);
    cabecera->setObjectName(QStringLiteral("lblNombre"));
    cabecera->setTextFormat(Qt::PlainText);
    cabecera->setWordWrap(true);
    cabecera->setFont(Tahoma(17, true));
    capa->addWidget(cabecera);
    lblEstado_ = new QLabel(QStringLiteral("Leyendo el certificado…"), this);
    lblEstado_->setObjectName(QStringLiteral("lblEstado"));
    lblEstado_->setWordWrap(true);
    capa->addWidget(lblEstado_);
    rejilla_ = new QGridLayout;
    rejilla_->setColumnStretch(1, 1);
    rejilla_->setVerticalSpacing(8);
    capa->addLayout(rejilla_);
    for (const char* t : kTitulos) Poner(QString::fromUtf8(t), QString(), QString());
    capa->addSpacing(8);
    auto* botones = new QHBoxLayout;
    btnCopiarTodo_ = new QPushButton(QStringLiteral("Copiar &todo"), this);
    btnCopiarTodo_->setObjectName(QStringLiteral("btnCopiarTodo"));
    btnCopiarTodo_->setAutoDefault(false);
    btnCopiarTodo_->setEnabled(false);
    btnCerrar_ = new QPushButton(QStringLiteral("Cerrar"), this);
    btnCerrar_->setObjectName(QStringLiteral("btnCerrar"));
    btnCerrar_->setDefault(true);
    botones->addWidget(btnCopiarTodo_);
    botones->addStretch(1);
    botones->addWidget(btnCerrar_);
    capa->addLayout(botones);
    connect(btnCerrar_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCopiarTodo_, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(Todo()); });
}

void TfrmDetallesCertificado::Poner(const QString& titulo, const QString& mostrado,
                                    const QString& copia) {
    for (Fila& f : filas_) {
        if (f.titulo != titulo) continue;
        f.valor->setText(mostrado);
        f.copia = copia;
        f.copiar->setEnabled(!copia.isEmpty());
        return;
    }
    const int n = static_cast<int>(filas_.size());
    auto* etiqueta = new QLabel(titulo + u':', this);
    etiqueta->setFont(Tahoma(13, true));
    etiqueta->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* valor = new QLabel(mostrado, this);
    valor->setTextFormat(Qt::PlainText);
    valor->setWordWrap(true);
    valor->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Selectable with the mouse and the keyboard, so any part of it can be copied.
    valor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    valor->setMinimumWidth(420);
    auto* copiar = new QToolButton(this);
    copiar->setText(QStringLiteral("Copiar"));
    copiar->setToolTip(QStringLiteral("Copiar ") + titulo.toLower());
    copiar->setFocusPolicy(Qt::NoFocus);
    copiar->setEnabled(!copia.isEmpty());
    rejilla_->addWidget(etiqueta, n, 0);
    rejilla_->addWidget(valor, n, 1);
    rejilla_->addWidget(copiar, n, 2, Qt::AlignTop);
    filas_.push_back({titulo, valor, copiar, copia});
    connect(copiar, &QToolButton::clicked, this,
            [this, n] { QGuiApplication::clipboard()->setText(filas_[size_t(n)].copia); });
}

void TfrmDetallesCertificado::Mostrar(const Resultado<DetallesCertificado>& r) {
    if (!r) {
        lblEstado_->setText(QString::fromStdString(r.motivo()));
        ColorDeTexto(lblEstado_, QColor(255, 0, 0));
        return;
    }
    lblEstado_->hide();
    const DetallesCertificado& d = *r;
    const auto texto = [](const std::string& s) { return QString::fromStdString(s); };
    const auto poner = [this](const char* titulo, const QString& valor) {
        Poner(QString::fromUtf8(titulo), valor, valor);
    };
    Poner(QStringLiteral("Emitido para"), NombreLegible(d.sujeto), texto(d.sujeto));
    Poner(QStringLiteral("Emitido por"), NombreLegible(d.emisor), texto(d.emisor));
    QFont fija = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fija.setPixelSize(13);
    poner("Número de serie", EnParejas(d.numeroSerie));
    poner("Válido desde", Fecha(d.validoDesde));
    poner("Válido hasta", Fecha(d.validoHasta));
    poner("Uso de la clave", TextoUsosClave(d.usosClave));
    poner("Usos extendidos", TextoUsosExtendidos(d.usosExtendidos));
    poner("Correo electrónico", d.correos.empty() ? QStringLiteral("Ninguno") : Unir(d.correos));
    poner("Huella SHA-1", EnParejas(d.sha1));
    // Two lines of sixteen pairs: the whole is too wide for one.
    const QString sha256 = EnParejas(d.sha256);
    Poner(QStringLiteral("Huella SHA-256"),
          sha256.size() > 48 ? sha256.left(48) + u'\n' + sha256.mid(48) : sha256, sha256);
    poner("Clave privada", d.clavePrivada
                               ? QStringLiteral("Sí, está en el almacén")
                               : QStringLiteral("No está en el almacén: el certificado no "
                                                "sirve para identificarse"));
    for (const char* t : {"Número de serie", "Huella SHA-1", "Huella SHA-256"}) {
        if (QLabel* l = Etiqueta(QString::fromUtf8(t))) l->setFont(fija);
    }
    btnCopiarTodo_->setEnabled(true);
    // The window grows to the wrapped values' height; it was laid out while they were empty.
    layout()->activate();
    resize(width(), std::max(height(), heightForWidth(width())));
}

QString TfrmDetallesCertificado::Valor(const QString& titulo) const {
    for (const Fila& f : filas_) {
        if (f.titulo == titulo) return f.copia;
    }
    return {};
}

QLabel* TfrmDetallesCertificado::Etiqueta(const QString& titulo) const {
    for (const Fila& f : filas_) {
        if (f.titulo == titulo) return f.valor;
    }
    return nullptr;
}

QToolButton* TfrmDetallesCertificado::BotonCopiar(const QString& titulo) const {
    for (const Fila& f : filas_) {
        if (f.titulo == titulo) return f.copiar;
    }
    return nullptr;
}

QString TfrmDetallesCertificado::Todo() const {
    QStringList r;
    for (const Fila& f : filas_) r << f.titulo + QStringLiteral(": ") + f.copia;
    return r.join(u'\n');
}

}  // namespace marlevanta
