#include "online/u_frmActualizadorInternet.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <cstdio>
#include <stdexcept>

#include "common/ejecutar.h"
#include "common/u_manejadorFuncionesComunes.h"
#include "common/ventanas.h"
#include "online/cliente_http.h"
#include "online/u_actualizador.h"
#include "online/u_manejadorApi.h"
#include "online/u_manejadorDatosVersion.h"

namespace marlevanta {

namespace {

QLabel* Etiqueta(QWidget* padre, const char* texto, int x, int y, bool titulo = false) {
    auto* l = new QLabel(QString::fromUtf8(texto), padre);
    QFont f = Tahoma(11, titulo);
    f.setUnderline(titulo);
    l->setFont(f);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLineEdit* Campo(QWidget* padre, const char* nombre, int x, int y, int ancho) {
    auto* e = new QLineEdit(padre);
    e->setObjectName(QString::fromLatin1(nombre));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setGeometry(x, y, ancho, 21);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    e->setPalette(p);
    return e;
}

}  // namespace

TfrmActualizadorInternet::TfrmActualizadorInternet(QWidget* owner, TManejadorApi& api,
                                                   int versionPropia)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      api_(api),
      versionPropia_(versionPropia) {
    setObjectName(QStringLiteral("frmActualizadorInternet"));
    setWindowTitle(QStringLiteral("Actualizar QRVfinder"));
    setFixedSize(391, 247);
    setFont(Tahoma(11));
    setAutoFillBackground(true);
    QPalette blanco = palette();
    blanco.setColor(QPalette::Window, Qt::white);
    setPalette(blanco);
    carpetaPrograma = QCoreApplication::applicationDirPath();
    rutaPrograma = QCoreApplication::applicationFilePath();
    // exit(), not quit(): quit() would ask the main window to close, with its question. Posted, so
    // that it also ends the program when the hand-over happens at start-up, before the event loop
    // runs.
    SolicitarFin = [] {
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };

    Etiqueta(this, "Datos del programa:", 8, 8, true);
    Etiqueta(this, "Nombre:", 16, 34);
    edtNombre_ = Campo(this, "edtNombre", 72, 30, 308);
    Etiqueta(this, "Versión:", 16, 60);
    edtVersion_ = Campo(this, "edtVersion", 72, 56, 120);
    Etiqueta(this, "Destino:", 16, 86);
    edtDestino_ = Campo(this, "edtDestino", 72, 82, 308);
    Etiqueta(this, "Actualizar:", 8, 118, true);
    Etiqueta(this, "Antes de actualizar debe tener una conexión a Internet activa.", 16, 140);
    btnActualizar_ = new QPushButton(QStringLiteral("&Actualizar"), this);
    btnActualizar_->setObjectName(QStringLiteral("btnActualizar"));
    btnActualizar_->setGeometry(16, 164, 100, 27);
    pgbDescarga_ = new QProgressBar(this);
    pgbDescarga_->setObjectName(QStringLiteral("pgbDescarga"));
    pgbDescarga_->setRange(0, 100);
    pgbDescarga_->setTextVisible(false);
    pgbDescarga_->setGeometry(126, 168, 254, 19);
    btnCerrar_ = new QPushButton(QStringLiteral("C&errar"), this);
    btnCerrar_->setObjectName(QStringLiteral("btnCerrar"));
    btnCerrar_->setProperty("tag", 0);
    btnCerrar_->setGeometry(296, 210, 84, 27);
    lblEstado_ = new QLabel(this);
    lblEstado_->setObjectName(QStringLiteral("lblEstado"));
    lblEstado_->setFont(Tahoma(11, true));
    lblEstado_->setStyleSheet(QStringLiteral("color: green"));
    lblEstado_->setGeometry(16, 214, 272, 17);
    for (QPushButton* b : {btnActualizar_, btnCerrar_}) b->setAutoDefault(false);
    connect(btnActualizar_, &QPushButton::clicked, this,
            &TfrmActualizadorInternet::btnActualizarClick);
    connect(btnCerrar_, &QPushButton::clicked, this, &TfrmActualizadorInternet::btnCerrarClick);
}

void TfrmActualizadorInternet::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentrarSobre(this, parentWidget());
    FormShow();
}

void TfrmActualizadorInternet::FormShow() {
    flagDescargaOk = false;
    pgbDescarga_->setValue(0);
    lblEstado_->clear();
    edtNombre_->setText(kTituloAplicacion);
    edtVersion_->setText(VersionParaMostrar(TManejadorDatosVersion().ObtenerVersion()));
    edtDestino_->setText(QDir::toNativeSeparators(carpetaPrograma));
}

void TfrmActualizadorInternet::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        btnCerrarClick();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        !qobject_cast<QPushButton*>(focusWidget())) {
        focusNextChild();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfrmActualizadorInternet::reject() {
    // The close box during a download cancels it, like the button does.
    if (btnCerrar_->property("tag").toInt() == 1) {
        btnCerrarClick();
        return;
    }
    QDialog::reject();
}

void TfrmActualizadorInternet::btnCerrarClick() {
    if (btnCerrar_->property("tag").toInt() == 0) {
        QDialog::reject();
        return;
    }
    cancelarDescarga = true;  // the running transfer stops at its next progress report
}

bool TfrmActualizadorInternet::IdHttpWork(qint64 recibidos, qint64 total) {
    QCoreApplication::processEvents();
    lblEstado_->setText(TextoDescarga(recibidos, total));
    if (total > 0) {
        pgbDescarga_->setValue(static_cast<int>(recibidos * 100 / total));
    } else {
        pgbDescarga_->setValue(std::min(pgbDescarga_->value() + 1, 100));
    }
    return !cancelarDescarga;
}

void TfrmActualizadorInternet::btnActualizarClick() {
    TmanejadorFuncionesComunes comunes;
    const QString paquete = RutaPaquete();
    flagDescargaOk = false;
    btnActualizar_->setEnabled(false);
    btnCerrar_->setText(QStringLiteral("Canc&elar"));
    btnCerrar_->setProperty("tag", 1);
    const auto inactivo = [this] {
        btnActualizar_->setEnabled(true);
        btnCerrar_->setText(QStringLiteral("C&errar"));
        btnCerrar_->setProperty("tag", 0);
    };
    try {
        QString version, cambios, url;
        if (api_.LeerVersion(version, cambios)) {
            const int n = version.toInt();
            bool seguir = false;
            if (n > versionPropia_) {
                seguir = comunes.wmessagedlg(PreguntaActualizacion(n, cambios), mtConfirmation,
                                             Botones({mbYes, mbNo}), 2) == 6;
            } else {
                comunes.wmessagedlg(
                    QStringLiteral("El programa no necesita actualización ya que tiene la "
                                   "última versión"),
                    mtInformation, Botones({mbOK}), 0);
            }
            if (seguir && api_.LeerUpdateFile(url, clavezip)) {
                cancelarDescarga = false;
                QFile::remove(paquete);
                std::FILE* fs = std::fopen(QFile::encodeName(paquete).constData(), "wb");
                if (!fs) throw std::runtime_error("No se puede crear " + paquete.toStdString());
                ClienteHttp IdHttp(OpcionesHttp{"text/html, */*"});
                std::string error;
                const bool ok = IdHttp.Descargar(
                    url.toStdString(), fs,
                    [this](std::uint64_t r, std::uint64_t t) {
                        return IdHttpWork(static_cast<qint64>(r), static_cast<qint64>(t));
                    },
                    error);
                std::fclose(fs);
                QString textoError;
                if (!ok && !cancelarDescarga) {
                    textoError = QString::fromStdString(error);
                    if (textoError.contains(QLatin1String("Host not found"))) {
                        textoError = QStringLiteral(
                            "Servidor no disponible o no encontrado en este momento");
                    } else if (textoError.contains(QLatin1String("404 not found"))) {
                        textoError = QStringLiteral(
                            "Actualización no disponible o no encontrada en este momento");
                    }
                }
                if (!textoError.isEmpty()) {
                    QFile::remove(paquete);
                    lblEstado_->setText(QStringLiteral("Error: ") + textoError);
                } else if (cancelarDescarga) {
                    lblEstado_->setText(QStringLiteral("Descarga cancelada"));
                    QFile::remove(paquete);
                } else {
                    lblEstado_->setText(QStringLiteral("Descarga completa"));
                    lblEstado_->repaint();
                    flagDescargaOk = true;
                    pgbDescarga_->setValue(100);
                }
            }
        }
    } catch (...) {
        inactivo();
        throw;
    }
    inactivo();
    if (flagDescargaOk) Traspasar();
}

void TfrmActualizadorInternet::Traspasar() {
    std::vector<std::string> argumentos;
    for (const QString& a : ArgumentosTraspaso(RutaPaquete(), clavezip, rutaPrograma)) {
        argumentos.push_back(a.toStdString());
    }
    std::string error;
    auto proceso = IniciarProceso(
        QDir(carpetaPrograma).filePath(QString::fromLatin1(kActualizador)).toStdString(),
        argumentos, error);
    if (!proceso) {
        TmanejadorFuncionesComunes().wmessagedlg(
            QStringLiteral("No se puede ejecutar el programa actualizador."), mtError,
            Botones({mbOK}), 0);
        return;
    }
    if (SolicitarFin) SolicitarFin();
}

}  // namespace marlevanta
